#pragma once

#include <QSize>
#include <QString>

class QCustomPlot;

// Saves a chart as it stands: PNG (at the size asked), SVG or PDF (drawn as vectors), chosen by
// the file name's suffix. False, with *why, when the file cannot be written.
bool saveChart(QCustomPlot& chart, const QString& path, QSize size, QString* why);

// The file dialog's choices for saveChart.
QString chartFileFilter();

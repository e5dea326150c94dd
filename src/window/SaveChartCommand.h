#pragma once

#include <QString>

class OperatorDialogs;
class QCustomPlot;

// "Save Chart As...": asks for a file (PNG, SVG or PDF) and, for a PNG, its size in pixels, then
// saves the chart as it stands; says why when it cannot.
void saveChartAsked(OperatorDialogs& dialogs, QCustomPlot& chart, const QString& suggestedPath);

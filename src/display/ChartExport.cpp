#include "ChartExport.h"

#define QCUSTOMPLOT_USE_LIBRARY
#include <qcustomplot.h>

#include <QFileInfo>
#include <QSaveFile>
#include <QSvgGenerator>

namespace {
bool drawSvg(QCustomPlot& chart, const QString& path, QSize size) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(chart.accessibleName());
    QCPPainter painter(&svg);
    chart.toPainter(&painter, size.width(), size.height());
    painter.end();
    return file.commit();
}
} // namespace

QString chartFileFilter() {
    return QStringLiteral("PNG picture (*.png);;SVG drawing (*.svg);;PDF document (*.pdf)");
}

bool saveChart(QCustomPlot& chart, const QString& path, QSize size, QString* why) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    bool saved = false;
    if (suffix == u"png")
        saved = chart.savePng(path, size.width(), size.height());
    else if (suffix == u"svg")
        saved = drawSvg(chart, path, size);
    else if (suffix == u"pdf")
        saved = chart.savePdf(path, size.width(), size.height(), QCP::epNoCosmetic,
                              QStringLiteral("DGH Driver"), chart.accessibleName());
    else {
        *why = QStringLiteral("its name ends in none of .png, .svg and .pdf");
        return false;
    }
    if (!saved)
        *why = QFileInfo(path).absoluteDir().exists() ? QStringLiteral("it cannot be written")
                                                      : QStringLiteral("its folder does not exist");
    return saved;
}

#include "SaveChartCommand.h"

#include "ChartExport.h"
#include "OperatorDialogs.h"

#define QCUSTOMPLOT_USE_LIBRARY
#include <qcustomplot.h>

#include <QDir>
#include <QRegularExpression>

namespace {
constexpr int kLargestSide = 20000;
const QString kTitle = QStringLiteral("Save Chart As");
} // namespace

void saveChartAsked(OperatorDialogs& dialogs, QCustomPlot& chart, const QString& suggestedPath) {
    const QString path = dialogs.chooseFileToSave(kTitle, suggestedPath, chartFileFilter());
    if (path.isEmpty())
        return;
    QSize size = chart.size();
    if (QFileInfo(path).suffix().compare(u"png", Qt::CaseInsensitive) == 0) {
        const QString asked =
            dialogs.inputText(QStringLiteral("Width and height of the picture in pixels:"), kTitle,
                              QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()));
        if (asked.isEmpty())
            return;
        static const QRegularExpression pair(
            QStringLiteral("^\\s*(\\d{1,5})\\s*[x\u00d7*]\\s*(\\d{1,5})\\s*$"));
        const auto m = pair.match(asked);
        size = m.hasMatch() ? QSize(m.captured(1).toInt(), m.captured(2).toInt()) : QSize();
        if (size.width() < 10 || size.height() < 10 || size.width() > kLargestSide ||
            size.height() > kLargestSide) {
            dialogs.message(QStringLiteral("'%1' is no size: give the width and height, such as "
                                           "1600 x 900, from 10 to %2 pixels.")
                                .arg(asked.left(40))
                                .arg(kLargestSide));
            return;
        }
    }
    QString why;
    if (!saveChart(chart, path, size, &why))
        dialogs.message(QStringLiteral("The chart cannot be saved as %1: %2.")
                            .arg(QDir::toNativeSeparators(path), why));
}

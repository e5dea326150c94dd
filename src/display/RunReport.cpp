#include "RunReport.h"

#include "CalibrationStore.h"
#include "FileDigest.h"
#include "ProgramVersion.h"
#include "Quantities.h"
#include "RegionalText.h"
#include "RunChart.h"
#include "RunTime.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPdfWriter>
#include <QPicture>
#include <cmath>
#include <functional>

namespace {
constexpr int kDpi = 300;
constexpr double kMargin = 15 / 25.4 * kDpi; // 15 mm
constexpr double kFooter = 12 / 25.4 * kDpi; // room for the two footer lines
const QSize kChartSize(760, 240);            // the chart's own pixels at 96 dpi: a page's width

QString dash() {
    return QStringLiteral("\u2014");
}

QString when(qint64 ms) {
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(ms);
    return QLocale().toString(at.date(), regional::shortDateFormat()) + u' ' +
           at.time().toString(QStringLiteral("hh:mm:ss"));
}

QString number(double v, int decimals) {
    return std::isnan(v) ? dash() : QLocale().toString(v, 'f', decimals);
}

QString seconds(qint64 ms) {
    return QLocale().toString(ms / 1000.0, 'g', 6) + QStringLiteral(" s");
}

// Lays text, tables and charts down the pages; a dry run only counts the pages.
class Pages {
public:
    Pages(QPdfWriter& writer, QCPPainter* painter, int total, const RunSummary& summary,
          const QDateTime& madeAt)
        : m_writer(writer), m_painter(painter), m_total(total), m_summary(summary),
          m_madeAt(madeAt), m_width(writer.width() - 2 * kMargin) {
        m_y = kMargin;
    }

    int pages() const { return m_page; }

    QFont font(double points, bool bold = false) const {
        QFont f;
        f.setPointSizeF(points);
        f.setBold(bold);
        return f;
    }

    // A heading stays with at least `keep` of what follows it.
    void heading(const QString& text, double points = 13, double keep = 0) {
        room(keep);
        gap(0.4);
        paragraph(text, font(points, true));
        gap(0.15);
    }

    void paragraph(const QString& text, const QFont& f) { cells({text}, {1.0}, f); }
    void paragraph(const QString& text) { paragraph(text, font(9.5)); }

    void gap(double lines) { m_y += lines * QFontMetricsF(font(9.5), &m_writer).height(); }

    // One row of cells across the width, in fractions of it; wrapped, kept on one page.
    void cells(const QStringList& texts, const QList<double>& fractions, const QFont& f,
               bool rule = false) {
        cells(texts, fractions, QList<QFont>(texts.size(), f), rule);
    }
    // The same with a font for each cell.
    void cells(const QStringList& texts, const QList<double>& fractions, const QList<QFont>& fonts,
               bool rule = false) {
        QList<QRectF> boxes;
        double x = kMargin, height = 0;
        for (qsizetype i = 0; i < texts.size(); ++i) {
            const double w = fractions[i] * m_width;
            const QRectF box = QFontMetricsF(fonts[i], &m_writer)
                                   .boundingRect(QRectF(x, 0, w - 12, 1e6),
                                                 Qt::TextWordWrap | Qt::AlignLeft, texts[i]);
            boxes << QRectF(x, 0, w - 12, box.height());
            height = std::max(height, box.height());
            x += w;
        }
        room(height + 6);
        if (m_painter) {
            m_painter->setPen(Qt::black);
            for (qsizetype i = 0; i < texts.size(); ++i) {
                m_painter->setFont(fonts[i]);
                m_painter->drawText(boxes[i].translated(0, m_y), Qt::TextWordWrap | Qt::AlignLeft,
                                    texts[i]);
            }
            if (rule)
                m_painter->drawLine(QPointF(kMargin, m_y + height + 2),
                                    QPointF(kMargin + m_width, m_y + height + 2));
        }
        m_y += height + 6;
    }

    void table(const QStringList& headings, const QList<QStringList>& rows,
               const QList<double>& fractions) {
        room(3 * QFontMetricsF(font(8.5), &m_writer).height());
        cells(headings, fractions, font(8.5, true), true);
        for (const QStringList& row : rows)
            cells(row, fractions, font(8.5));
    }

    double chartHeight() const { return m_width * kChartSize.height() / kChartSize.width(); }
    // A chart with its title.
    double chartRoom() const {
        return chartHeight() + QFontMetricsF(font(10, true), &m_writer).height() * 2;
    }

    void chart(const QString& title, RunChart& chart) {
        const double height = chartHeight();
        room(chartRoom());
        paragraph(title, font(10, true));
        if (m_painter) {
            // Recorded at the screen's resolution, as the chart lays itself out, and played
            // scaled to the page: its letters keep their size within it.
            QPicture picture;
            QCPPainter recorder(&picture);
            chart.drawOn(&recorder, kChartSize);
            recorder.end();
            m_painter->save();
            m_painter->translate(kMargin, m_y);
            // A picture plays back scaled from its resolution to the page's; the rest fits it.
            const double fit =
                m_width / kChartSize.width() * picture.logicalDpiX() / m_writer.logicalDpiX();
            m_painter->scale(fit, fit);
            m_painter->drawPicture(0, 0, picture);
            m_painter->restore();
        }
        m_y += height + 12;
    }

    void finish() { footer(); }

private:
    void room(double height) {
        if (m_y + height <= m_writer.height() - kMargin - kFooter)
            return;
        footer();
        if (m_painter)
            m_writer.newPage();
        ++m_page;
        m_y = kMargin;
    }

    void footer() {
        if (!m_painter)
            return;
        const QFont f = font(7.5);
        const double line = QFontMetricsF(f, &m_writer).height();
        const double top = m_writer.height() - kMargin - 2 * line;
        m_painter->setFont(f);
        m_painter->setPen(Qt::black);
        m_painter->drawLine(QPointF(kMargin, top - 4), QPointF(kMargin + m_width, top - 4));
        const QRectF first(kMargin, top, m_width, line), second(kMargin, top + line, m_width, line);
        m_painter->drawText(first, Qt::AlignLeft, m_summary.title);
        m_painter->drawText(first, Qt::AlignRight,
                            QStringLiteral("Page %1 of %2").arg(m_page).arg(m_total));
        m_painter->drawText(second, Qt::AlignLeft,
                            QStringLiteral("Log SHA-256 %1...")
                                .arg(QString::fromLatin1(m_summary.sha256.left(16))));
        m_painter->drawText(second, Qt::AlignRight,
                            QStringLiteral("Made %1").arg(when(m_madeAt.toMSecsSinceEpoch())));
    }

    QPdfWriter& m_writer;
    QCPPainter* m_painter;
    int m_total;
    const RunSummary& m_summary;
    QDateTime m_madeAt;
    double m_width;
    double m_y = 0;
    int m_page = 1;
};

void cover(Pages& p, const RunSummary& s) {
    p.paragraph(s.title, p.font(18, true));
    p.gap(0.5);
    const QLocale locale;
    QStringList intervals;
    for (qint64 ms : s.intervalsMs)
        intervals << seconds(ms);
    const QList<double> two = {0.28, 0.72};
    const QFont f = p.font(9.5);
    auto line = [&](const QString& name, const QString& value) { p.cells({name, value}, two, f); };
    line(QStringLiteral("Station"), s.station);
    line(QStringLiteral("Program"),
         QStringLiteral("DGH Driver %1 (dgh-report)").arg(QLatin1String(kProgramVersion)));
    line(QStringLiteral("Log file"),
         QDir::toNativeSeparators(QFileInfo(s.logPath).absoluteFilePath()));
    line(QStringLiteral("Size"), QStringLiteral("%1 bytes").arg(locale.toString(s.fileSize)));
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(8);
    p.cells({QStringLiteral("SHA-256"), QString::fromLatin1(s.sha256)}, two, {f, fixed});
    if (s.rows.rows > 0) {
        line(QStringLiteral("First row"), when(s.rows.firstMs));
        line(QStringLiteral("Last row"), when(s.rows.lastMs));
        line(QStringLiteral("Duration"), durationText(s.rows.lastMs - s.rows.firstMs));
    }
    line(QStringLiteral("Rows"), locale.toString(s.rows.rows));
    line(QStringLiteral("Logging interval"),
         intervals.isEmpty() ? dash() : intervals.join(QStringLiteral(", ")));
    line(QStringLiteral("Gaps over three intervals"),
         s.gaps == 0 ? QStringLiteral("none")
                     : QStringLiteral("%1, the longest %2")
                           .arg(locale.toString(s.gaps), durationText(s.longestGapMs)));
    if (!s.readNote.isEmpty())
        line(QStringLiteral("Not read"), s.readNote);
    line(QStringLiteral("Seal"), s.sealIntact ? s.seal : QStringLiteral("NOT INTACT: ") + s.seal);
    p.gap(1.5);
    const QList<double> signature = {0.28, 0.42, 0.30};
    for (const char* role : {"Performed by", "Reviewed by"}) {
        p.cells({QLatin1String(role), QStringLiteral("______________________________"),
                 QStringLiteral("Date ______________")},
                signature, f);
        p.gap(0.8);
    }
}

void calibration(Pages& p, const RunSummary& s, const CalibrationLimits& limits) {
    p.heading(QStringLiteral("Calibration"));
    p.paragraph(QStringLiteral("As each header of the log records it. Judged against a slope of "
                               "%1 to %2 % of the nominal %3 and an offset within %4 mV of the "
                               "nominal %5 V; older than %6 days at the run's start is noted.")
                    .arg(number(limits.slopeLowPercent, 0), number(limits.slopeHighPercent, 0),
                         number(CalibrationStore::kNominalSlope, 4),
                         number(limits.offsetMillivolts, 0),
                         number(CalibrationStore::kNominalOffset, 4))
                    .arg(limits.ageDays));
    QList<QStringList> rows;
    for (const ProbeCheck& c : s.calibrations) {
        auto judged = [](const std::optional<double>& v, bool within, const QString& text) {
            return v ? text + (within ? QStringLiteral(" (within)") : QStringLiteral(" (OUTSIDE)"))
                     : dash();
        };
        rows << QStringList{
            QString::number(c.probe),
            when(c.fromMs),
            c.offsetText + QStringLiteral(" V"),
            judged(c.offsetMillivolts, c.offsetWithin,
                   c.offsetMillivolts ? number(*c.offsetMillivolts, 1) + QStringLiteral(" mV")
                                      : QString()),
            c.slopeText,
            judged(c.slopePercent, c.slopeWithin,
                   c.slopePercent ? number(*c.slopePercent, 1) + QStringLiteral(" %") : QString()),
            c.serial,
            c.dateText + (c.tooOld ? QStringLiteral(" (%1 days old: OLDER THAN %2)")
                                         .arg(*c.ageDays)
                                         .arg(limits.ageDays)
                                   : QString())};
    }
    p.table({QStringLiteral("Probe"), QStringLiteral("From"), QStringLiteral("Offset"),
             QStringLiteral("From nominal"), QStringLiteral("Slope"), QStringLiteral("Of nominal"),
             QStringLiteral("Serial"), QStringLiteral("Calibrated")},
            rows, {0.06, 0.2, 0.1, 0.16, 0.08, 0.15, 0.08, 0.17});

    p.heading(QStringLiteral("Buffer calibrations up to the run's end"), 11);
    if (s.bufferCalibrations.isEmpty())
        return p.paragraph(QStringLiteral("None in the calibration record."));
    QList<QStringList> buffers;
    for (const CalibrationRecord& r : s.bufferCalibrations) {
        QStringList readings;
        for (const BufferReading& b : r.buffers)
            readings << QStringLiteral("pH %1: %2 mV at %3 \u00b0C")
                            .arg(number(b.ph, 2), number(b.millivolts, 1), number(b.celsius, 1));
        buffers << QStringList{
            when(r.when.toMSecsSinceEpoch()), QString::number(r.probe), r.serial,
            readings.isEmpty() ? QStringLiteral("typed in") : readings.join(QStringLiteral("; ")),
            QStringLiteral("offset %1 V, slope %2")
                .arg(number(r.calibration.offset, 4), number(r.calibration.slope, 4))};
    }
    p.table({QStringLiteral("When"), QStringLiteral("Probe"), QStringLiteral("Serial"),
             QStringLiteral("Buffers read"), QStringLiteral("Result")},
            buffers, {0.18, 0.07, 0.1, 0.4, 0.25});
}

void statistics(Pages& p, const RunSummary& s) {
    p.heading(QStringLiteral("Statistics"));
    QList<QStringList> rows;
    for (const QuantityInfo& q : kQuantityTable) {
        const QuantityStatistics& st = s.statistics[size_t(q.readout)];
        if (st.count == 0)
            continue;
        const int d = q.decimals;
        rows << QStringList{QStringLiteral("%1 (%2)").arg(
                                QString(q.name), QString::fromLatin1(q.unit.data(), q.unit.size())),
                            QLocale().toString(st.count),
                            number(st.minimum, d),
                            number(st.maximum, d),
                            number(st.mean, d + 2),
                            number(st.deviation, d + 2),
                            number(st.first, d),
                            number(st.last, d),
                            durationText(s.msInAlarm[size_t(q.readout)])};
    }
    p.table({QStringLiteral("Quantity"), QStringLiteral("Count"), QStringLiteral("Minimum"),
             QStringLiteral("Maximum"), QStringLiteral("Mean"), QStringLiteral("Std. dev."),
             QStringLiteral("First"), QStringLiteral("Last"), QStringLiteral("In alarm")},
            rows, {0.13, 0.11, 0.1, 0.1, 0.1, 0.1, 0.09, 0.09, 0.18});
}

void charts(Pages& p, const RunSummary& s, const RecordedRun& run, const RunEvents& events) {
    p.heading(QStringLiteral("Charts"), 13, p.chartRoom() + p.chartRoom() / 4);
    const auto present = run.present();
    const std::pair<const char*, Group> groups[] = {
        {"Temperatures", Group::Therm}, {"pH", Group::Ph}, {"Flow", Group::Flow}};
    for (const auto& [title, group] : groups) {
        RunChart chart;
        bool any = false;
        for (const QuantityInfo& q : kQuantityTable) {
            // The pH group's millivolts and the flow's frequency stay in the statistics.
            const bool shown = q.group == group && present[size_t(q.readout)] &&
                               q.readout != Readout::Probe1mV && q.readout != Readout::Probe2mV &&
                               q.readout != Readout::FlowHz;
            chart.setShown(q.readout, shown);
            any = any || shown;
        }
        if (!any)
            continue;
        chart.setRun(&run, &events);
        chart.setTimeRange(s.fromMs, s.toMs);
        p.chart(QLatin1String(title), chart);
    }
}

void alarms(Pages& p, const RunSummary& s) {
    p.heading(QStringLiteral("Alarms"));
    if (s.alarms.empty())
        return p.paragraph(QStringLiteral("No alarm in the alarm record for this range."));
    QList<QStringList> rows;
    for (const AlarmEntry& a : s.alarms)
        rows << QStringList{a.quantity + u' ' + a.kind,
                            a.limit,
                            a.value,
                            when(a.raisedMs),
                            a.acknowledgedMs ? when(*a.acknowledgedMs) +
                                                   (a.acknowledgedBy.isEmpty()
                                                        ? QString()
                                                        : QStringLiteral(" by ") + a.acknowledgedBy)
                                             : dash(),
                            a.clearedMs ? when(*a.clearedMs) : QStringLiteral("standing")};
    p.table({QStringLiteral("Alarm"), QStringLiteral("Limit"), QStringLiteral("Value"),
             QStringLiteral("Raised"), QStringLiteral("Acknowledged"), QStringLiteral("Cleared")},
            rows, {0.16, 0.1, 0.1, 0.2, 0.24, 0.2});
}

void changes(Pages& p, const RunSummary& s) {
    p.heading(QStringLiteral("Changes (audit trail)"));
    if (s.changes.empty())
        return p.paragraph(QStringLiteral("No change in the audit trail for this range."));
    QList<QStringList> rows;
    for (const AuditEntry& e : s.changes)
        rows << QStringList{when(e.when.toMSecsSinceEpoch()), e.user + u'\n' + e.program, e.what,
                            e.from, e.to, e.reason.isEmpty() ? dash() : e.reason};
    p.table({QStringLiteral("When"), QStringLiteral("By"), QStringLiteral("What"),
             QStringLiteral("From"), QStringLiteral("To"), QStringLiteral("Reason")},
            rows, {0.15, 0.13, 0.15, 0.22, 0.22, 0.13});
}

void lay(Pages& p, const RunSummary& s, const RecordedRun& run, const RunEvents& events,
         const CalibrationLimits& limits) {
    cover(p, s);
    calibration(p, s, limits);
    statistics(p, s);
    charts(p, s, run, events);
    alarms(p, s);
    changes(p, s);
    p.finish();
}
} // namespace

bool writeRunReport(const RunSummary& summary, const RecordedRun& run, const RunEvents& events,
                    const QString& pdfPath, const QDateTime& madeAt, QString* why) {
    QFile file(pdfPath);
    if (QFileInfo(pdfPath).isDir() || !file.open(QIODevice::WriteOnly)) {
        *why = QFileInfo(pdfPath).isDir() ? QStringLiteral("it is a folder") : file.errorString();
        return false;
    }
    QPdfWriter writer(&file);
    writer.setResolution(kDpi);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(summary.title);
    writer.setCreator(QStringLiteral("DGH Driver %1").arg(QLatin1String(kProgramVersion)));
    // Counted first, so that every page can say how many there are.
    Pages dry(writer, nullptr, 0, summary, madeAt);
    lay(dry, summary, run, events, summary.limits);
    QCPPainter painter(&writer);
    Pages pages(writer, &painter, dry.pages(), summary, madeAt);
    lay(pages, summary, run, events, summary.limits);
    painter.end();
    if (file.error() != QFileDevice::NoError) {
        *why = file.errorString();
        return false;
    }
    return true;
}

bool reportRun(const RecordedRun& run, const RunEvents& events,
               const QList<CalibrationRecord>& calibrations, const ReportRequest& request,
               QString* why, QString* note) {
    RunSummary summary =
        summariseRun(run, events, calibrations, request.fromMs, request.toMs, request.limits);
    summary.title = request.title;
    summary.station = request.station;
    summary.sha256 = fileSha256(run.path(), why);
    *note = summary.readNote;
    if (summary.sha256.isEmpty()) {
        *why = QStringLiteral("the log cannot be read again: ") + *why;
        return false;
    }
    return writeRunReport(summary, run, events, request.pdfPath, request.madeAt, why);
}

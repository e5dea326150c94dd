#include "ReviewWindow.h"

#include "CalibrationHistory.h"
#include "ModeSelector.h"
#include "OperatorDialogs.h"
#include "Quantities.h"
#include "RunChart.h"
#include "RunReport.h"
#include "SaveChartCommand.h"
#include "SealCheck.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace {
const char* const kColumns[] = {
    "Cursor 1", "Cursor 2", "Difference",         "Rate per minute", "Count", "Minimum",
    "Maximum",  "Mean",     "Standard deviation", "First",           "Last",  "Time in alarm"};
constexpr int kPreviewRows = 1500;

QString unitText(const QuantityInfo& q) {
    return QString::fromLatin1(q.unit.data(), q.unit.size());
}

QString numberText(double value, int decimals) {
    return std::isnan(value) ? QStringLiteral("\u2014") : QLocale().toString(value, 'f', decimals);
}
} // namespace

ReviewWindow::ReviewWindow(OperatorDialogs& dialogs, const CalibrationHistory& history,
                           const QString& station, QWidget* parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_history(history), m_station(station) {
    setObjectName(QStringLiteral("frmReview"));
    setWindowTitle(QStringLiteral("Review"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_chart = new RunChart;
    m_chart->setObjectName(QStringLiteral("RunChart"));
    m_chart->setMinimumSize(300, 200);

    auto* top = new QWidget;
    auto* topRow = new QHBoxLayout(top);
    topRow->setContentsMargins(0, 0, 0, 0);
    topRow->addWidget(buildControls());
    topRow->addWidget(m_chart, 1);

    m_between = new QLabel;
    m_between->setObjectName(QStringLiteral("lblBetween"));
    m_between->setWordWrap(true);
    m_between->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_between->setFocusPolicy(Qt::TabFocus);
    m_measures = new QTableWidget(0, int(std::size(kColumns)));
    m_measures->setObjectName(QStringLiteral("tblMeasures"));
    m_measures->setAccessibleName(QStringLiteral("Measures"));
    m_measures->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList headings;
    for (const char* c : kColumns)
        headings << QLatin1String(c);
    m_measures->setHorizontalHeaderLabels(headings);
    m_measures->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* measurePage = new QWidget;
    auto* measureColumn = new QVBoxLayout(measurePage);
    measureColumn->addWidget(m_between);
    measureColumn->addWidget(m_measures, 1);
    m_eventList = new QListWidget;
    m_eventList->setObjectName(QStringLiteral("lstEvents"));
    m_eventList->setAccessibleName(QStringLiteral("Events"));
    m_changes = new QTableWidget(0, 6);
    m_changes->setObjectName(QStringLiteral("tblChanges"));
    m_changes->setAccessibleName(QStringLiteral("Changes"));
    m_changes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_changes->setHorizontalHeaderLabels({QStringLiteral("When"), QStringLiteral("By"),
                                          QStringLiteral("What"), QStringLiteral("From"),
                                          QStringLiteral("To"), QStringLiteral("Reason")});
    m_changes->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_changes->verticalHeader()->hide();
    auto* tabs = new QTabWidget;
    tabs->addTab(measurePage, QStringLiteral("&Measure"));
    tabs->addTab(m_eventList, QStringLiteral("&Events"));
    tabs->addTab(m_changes, QStringLiteral("C&hanges"));

    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(top);
    split->addWidget(tabs);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 1);
    setCentralWidget(split);

    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("lblReviewStatus"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_progressBar = new QProgressBar;
    m_progressBar->setAccessibleName(QStringLiteral("Reading the log"));
    m_progressBar->setRange(0, 100);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"));
    m_cancelButton->setObjectName(QStringLiteral("cmdCancelReading"));
    statusBar()->addWidget(m_status, 1);
    statusBar()->addPermanentWidget(m_progressBar);
    statusBar()->addPermanentWidget(m_cancelButton);
    m_progressBar->hide();
    m_cancelButton->hide();
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { m_cancel = true; });

    buildMenus();
    connect(m_chart, &RunChart::cursorMoved, this, &ReviewWindow::updateMeasures);
    connect(m_chart, &RunChart::rangeChanged, this, &ReviewWindow::updateMeasures);
    connect(m_eventList, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        // The event under cursor 1, and in view.
        const qint64 ms = item->data(Qt::UserRole).toLongLong();
        m_chart->setCursorVisible(1, true);
        m_chart->setCursorMs(1, ms);
        if (ms < m_chart->fromMs() || ms > m_chart->toMs()) {
            const qint64 half = (m_chart->toMs() - m_chart->fromMs()) / 2;
            m_chart->setTimeRange(ms - half, ms + half);
        }
    });
    resize(1000, 700);
}

ReviewWindow::~ReviewWindow() {
    stopReading();
}

void ReviewWindow::stopReading() {
    if (!m_reader)
        return;
    m_cancel = true;
    m_reader->wait();
    delete std::exchange(m_reader, nullptr);
}

QWidget* ReviewWindow::buildControls() {
    auto* panel = new QWidget;
    auto* column = new QVBoxLayout(panel);
    auto* traces = new QGroupBox(QStringLiteral("Traces"));
    // Two columns: ten boxes in one would not fit a small screen at a large font.
    auto* traceGrid = new QGridLayout(traces);
    for (const QuantityInfo& q : kQuantityTable) {
        auto* box = new QCheckBox(QString(q.name));
        box->setObjectName(QStringLiteral("chkTrace_") + QString(q.key));
        QPixmap swatch(12, 12);
        swatch.fill(runTraceColour(q.readout));
        box->setIcon(QIcon(swatch));
        box->setChecked(m_chart->shown(q.readout));
        box->setEnabled(false);
        connect(box, &QCheckBox::toggled, this, [this, r = q.readout](bool on) {
            m_chart->setShown(r, on);
            updateMeasures();
        });
        const int index = int(&q - kQuantityTable.data());
        traceGrid->addWidget(box, index / 2, index % 2);
        m_traces[size_t(q.readout)] = box;
    }
    column->addWidget(traces);
    auto* mode = new ModeSelector(
        QStringLiteral("Graph mode"), 0, 3, 1,
        {{0, QStringLiteral("Zoom")}, {1, QStringLiteral("Pan")}, {2, QStringLiteral("Cursor ")}},
        panel);
    mode->setObjectName(QStringLiteral("ReviewGraphMode"));
    connect(mode, &ModeSelector::valueChanged, this, &ReviewWindow::applyMode);
    column->addWidget(mode);
    auto* axisLabel = new QLabel(QStringLiteral("&Time axis"));
    m_timeAxis = new QComboBox;
    m_timeAxis->setObjectName(QStringLiteral("cmbTimeAxis"));
    m_timeAxis->addItems(
        {QStringLiteral("Local time"), QStringLiteral("UTC"), QStringLiteral("Elapsed")});
    axisLabel->setBuddy(m_timeAxis);
    connect(m_timeAxis, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_chart->setTimeAxis(TimeAxis(index));
        updateMeasures();
        showEvents();
    });
    column->addWidget(axisLabel);
    column->addWidget(m_timeAxis);
    auto* whole = new QPushButton(QStringLiteral("&Whole run"));
    whole->setObjectName(QStringLiteral("cmdWholeRun"));
    connect(whole, &QPushButton::clicked, m_chart, &RunChart::showWholeRun);
    column->addWidget(whole);
    column->addStretch(1);
    return panel;
}

void ReviewWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    auto add = [&](const QString& caption, const char* name, QKeySequence keys, auto slot) {
        QAction* a = file->addAction(caption);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(keys);
        // Queued: a modal file dialog opens after the command (a screen reader's action) returns.
        connect(a, &QAction::triggered, this, slot, Qt::QueuedConnection);
        return a;
    };
    add(QStringLiteral("&Open Log..."), "mnuReviewOpen", QKeySequence::Open,
        &ReviewWindow::chooseLog);
    add(QStringLiteral("&Reload"), "mnuReload", QKeySequence(Qt::Key_F5), [this] {
        if (m_run)
            openLog(m_run->path());
    });
    file->addSeparator();
    add(QStringLiteral("Save &Chart As..."), "mnuSaveChart", QKeySequence(),
        &ReviewWindow::chooseChartFile);
    add(QStringLiteral("Save Ro&ws As..."), "mnuSaveRows", QKeySequence(),
        &ReviewWindow::chooseRowsFile);
    add(QStringLiteral("Re&port..."), "mnuReport", QKeySequence(Qt::CTRL | Qt::Key_P),
        &ReviewWindow::chooseReportFile);
    add(QStringLiteral("&Verify"), "mnuVerify", QKeySequence(), &ReviewWindow::verify);
    file->addSeparator();
    add(QStringLiteral("&Close"), "mnuReviewClose", QKeySequence::Close, &QWidget::close);
}

void ReviewWindow::verify() {
    if (!m_run || m_verifying)
        return;
    // The log, and the alarm record and audit trail of its run, each against its seal as
    // dgh-report --verify says it; on a thread of its own, since a large log takes seconds.
    QStringList files = {
        m_run->path(),
        QFileInfo(m_run->path()).absoluteDir().filePath(QStringLiteral("alarms.csv")),
        auditTrailOf(m_run->path(), m_history.path())};
    files.erase(std::remove_if(files.begin() + 1, files.end(),
                               [](const QString& f) { return !QFileInfo::exists(f); }),
                files.end());
    auto verdicts = std::make_shared<QStringList>();
    QThread* thread = QThread::create([files, verdicts] {
        for (const QString& file : files)
            *verdicts << QDir::toNativeSeparators(file) + QStringLiteral(": ") +
                             checkSeal(file).text;
    });
    m_verifying = true;
    connect(thread, &QThread::finished, this, [this, thread, verdicts] {
        thread->deleteLater();
        m_verifying = false;
        m_dialogs.message(verdicts->join(u'\n'));
    });
    thread->start();
}

void ReviewWindow::applyMode(int mode) {
    m_chart->setInteraction(mode == 0   ? StripChart::Interaction::Zoom
                            : mode == 1 ? StripChart::Interaction::Pan
                                        : StripChart::Interaction::Cursor);
    // A cursor newly shown starts in the middle of the range shown, the second a third on.
    for (int k = 1; k <= 2; ++k) {
        const bool on = mode >= k + 1;
        if (on && !m_chart->cursorVisible(k))
            m_chart->setCursorMs(k, m_chart->fromMs() +
                                        (m_chart->toMs() - m_chart->fromMs()) * (k + 1) / 4);
        m_chart->setCursorVisible(k, on);
    }
}

bool ReviewWindow::openLog(const QString& path) {
    stopReading();
    auto run = std::make_unique<RecordedRun>();
    QString why;
    if (!run->open(path, &why)) {
        m_dialogs.message(QStringLiteral("The log %1 cannot be opened: %2.")
                              .arg(QDir::toNativeSeparators(path), why));
        return false;
    }
    m_chart->setRun(nullptr, nullptr);
    m_run = std::move(run);
    m_events = {};
    setWindowTitle(QStringLiteral("Review - %1").arg(QFileInfo(path).fileName()));
    // A first picture from rows read here and there, while the whole file is read.
    m_chart->setPreview(m_run->preview(kPreviewRows));
    m_status->setText(QStringLiteral("Reading %1...").arg(QDir::toNativeSeparators(path)));
    m_progress = 0;
    m_cancel = false;
    m_progressBar->setValue(0);
    m_progressBar->show();
    m_cancelButton->show();
    RecordedRun* reading = m_run.get();
    m_reader = QThread::create([this, reading] {
        reading->index([this](double read) {
            m_progress = read;
            return !m_cancel;
        });
    });
    // A reading stopped for a newer one may still have its end queued: only the latest counts.
    connect(m_reader, &QThread::finished, this, [this, reading = ++m_readings] {
        if (reading == m_readings)
            readingDone();
    });
    auto* progress = new QTimer(m_reader);
    connect(progress, &QTimer::timeout, this,
            [this] { m_progressBar->setValue(int(m_progress * 100)); });
    progress->start(100);
    m_reader->start();
    return true;
}

void ReviewWindow::readingDone() {
    delete std::exchange(m_reader, nullptr);
    m_progressBar->hide();
    m_cancelButton->hide();
    const QString shown = QDir::toNativeSeparators(m_run->path());
    m_calibrations = m_history.latest(1, INT_MAX) + m_history.latest(2, INT_MAX);
    m_events = collectRunEvents(
        *m_run, QFileInfo(m_run->path()).absoluteDir().filePath(QStringLiteral("alarms.csv")),
        m_calibrations, auditTrailOf(m_run->path(), m_history.path()));
    m_chart->setRun(m_run.get(), &m_events);
    showQuantities();
    showEvents();
    const RunReadNotes& notes = m_run->notes();
    if (m_run->empty() && m_run->blocks().empty()) {
        m_dialogs.message(
            QStringLiteral("%1 is not a log of this program: no header and no row could be read.")
                .arg(shown),
            QString(), notes.text());
        // Nothing to review: the window goes with the box.
        emit logRead();
        close();
        return;
    }
    const QString span = m_run->empty() ? QStringLiteral("The log holds a header but no rows yet.")
                                        : QStringLiteral("%1 rows from %2 to %3.")
                                              .arg(QLocale().toString(m_run->rows()),
                                                   m_chart->timeText(m_run->firstMs()),
                                                   m_chart->timeText(m_run->lastMs()));
    const QString note = QStringList{notes.text(), m_events.note}.join(u' ').trimmed();
    m_status->setText(note.isEmpty() ? span : span + u' ' + note);
    if (!note.isEmpty())
        m_dialogs.tell({.source = QStringLiteral("review"),
                        .severity = Notice::Severity::Warning,
                        .text = QStringLiteral("%1: %2").arg(shown, note)});
    updateMeasures();
    emit logRead();
}

void ReviewWindow::showQuantities() {
    const auto present = m_run->present();
    for (size_t q = 0; q < present.size(); ++q)
        m_traces[q]->setEnabled(present[q]);
}

void ReviewWindow::showEvents() {
    m_eventList->clear();
    for (const RunEvent& e : m_events.events) {
        auto* item = new QListWidgetItem(m_chart->timeText(e.ms) + QStringLiteral("  ") + e.text);
        item->setData(Qt::UserRole, e.ms);
        m_eventList->addItem(item);
    }
    // The audit trail's entries of the run, each whole: who, with what, from what to what, why.
    m_changes->setRowCount(0);
    for (const AuditEntry& c : m_events.changes) {
        const int row = m_changes->rowCount();
        m_changes->insertRow(row);
        const QStringList cells = {m_chart->timeText(c.when.toMSecsSinceEpoch()),
                                   QStringLiteral("%1 (%2)").arg(c.user, c.program),
                                   c.what,
                                   c.from,
                                   c.to,
                                   c.reason};
        for (int i = 0; i < int(cells.size()); ++i)
            m_changes->setItem(row, i, new QTableWidgetItem(cells[i]));
    }
}

std::pair<qint64, qint64> ReviewWindow::measuredRange() const {
    if (m_chart->cursorVisible(1) && m_chart->cursorVisible(2))
        return std::minmax(m_chart->cursorMs(1), m_chart->cursorMs(2));
    return {m_chart->fromMs(), m_chart->toMs()};
}

void ReviewWindow::updateMeasures() {
    if (!m_run || reading())
        return;
    const auto [from, to] = measuredRange();
    const auto stats = m_run->statistics(from, to);
    std::array<std::optional<RecordedRun::Point>, 2> at;
    for (int k = 0; k < 2; ++k)
        if (m_chart->cursorVisible(k + 1))
            at[k] = m_run->rowAt(m_chart->cursorMs(k + 1));
    QStringList parts;
    for (int k = 0; k < 2; ++k)
        if (m_chart->cursorVisible(k + 1))
            parts << QStringLiteral("Cursor %1: %2")
                         .arg(k + 1)
                         .arg(m_chart->timeText(m_chart->cursorMs(k + 1)));
    if (m_chart->cursorVisible(1) && m_chart->cursorVisible(2))
        parts << QStringLiteral("Between: %1").arg(durationText(to - from));
    parts << QStringLiteral("Statistics from %1 to %2")
                 .arg(m_chart->timeText(from), m_chart->timeText(to));
    m_between->setText(parts.join(QStringLiteral("; ")));

    m_measures->setRowCount(0);
    const double minutes = (m_chart->cursorMs(2) - m_chart->cursorMs(1)) / 60000.0;
    for (const QuantityInfo& q : kQuantityTable) {
        if (!m_chart->shown(q.readout) || !m_traces[size_t(q.readout)]->isEnabled())
            continue;
        const int row = m_measures->rowCount();
        m_measures->insertRow(row);
        m_measures->setVerticalHeaderItem(
            row, new QTableWidgetItem(QStringLiteral("%1 (%2)").arg(QString(q.name), unitText(q))));
        const QuantityStatistics& s = stats[size_t(q.readout)];
        auto value = [&](int k) { return at[k] ? at[k]->values[size_t(q.readout)] : std::nan(""); };
        const double difference = value(1) - value(0);
        const std::array<QString, std::size(kColumns)> cells = {
            numberText(value(0), q.decimals),
            numberText(value(1), q.decimals),
            numberText(difference, q.decimals),
            minutes != 0 ? numberText(difference / minutes, q.decimals + 2) : QString(),
            QLocale().toString(s.count),
            s.count ? numberText(s.minimum, q.decimals) : QString(),
            s.count ? numberText(s.maximum, q.decimals) : QString(),
            s.count ? numberText(s.mean, q.decimals + 2) : QString(),
            s.count ? numberText(s.deviation, q.decimals + 2) : QString(),
            s.count ? numberText(s.first, q.decimals) : QString(),
            s.count ? numberText(s.last, q.decimals) : QString(),
            durationText(m_events.msInAlarm(q.readout, from, to)),
        };
        for (size_t c = 0; c < cells.size(); ++c)
            m_measures->setItem(row, int(c), new QTableWidgetItem(cells[c]));
    }
}

void ReviewWindow::chooseLog() {
    const QString path = m_dialogs.chooseFileToOpen(
        QStringLiteral("Open Log"), m_run ? m_run->path() : QDir::homePath(),
        QStringLiteral("Log files (*.csv *.txt *.log);;All Files (*)"));
    if (!path.isEmpty())
        openLog(path);
}

QString ReviewWindow::besideLog(const QString& ending) const {
    const QFileInfo log(m_run ? m_run->path() : QDir::home().filePath(QStringLiteral("run")));
    return log.absoluteDir().filePath(log.completeBaseName() + ending);
}

void ReviewWindow::chooseChartFile() {
    saveChartAsked(m_dialogs, *m_chart, besideLog(QStringLiteral(".png")));
}

void ReviewWindow::chooseRowsFile() {
    if (!m_run || reading())
        return;
    const QString path = m_dialogs.chooseFileToSave(
        QStringLiteral("Save Rows As"), besideLog(QStringLiteral("-range.csv")),
        QStringLiteral("Log files (*.csv *.txt);;All Files (*)"));
    if (!path.isEmpty())
        saveRowsTo(path);
}

bool ReviewWindow::saveRowsTo(const QString& path) {
    const auto [from, to] = measuredRange();
    QString why;
    if (QFileInfo(path).canonicalFilePath() == QFileInfo(m_run->path()).canonicalFilePath()) {
        why = QStringLiteral("it is the log itself");
    } else {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            why = file.errorString();
        else if (m_run->copyRows(from, to, file, &why) && file.commit())
            return true;
        else if (why.isEmpty())
            why = file.errorString();
    }
    m_dialogs.message(QStringLiteral("The rows cannot be saved as %1: %2.")
                          .arg(QDir::toNativeSeparators(path), why));
    return false;
}

void ReviewWindow::chooseReportFile() {
    if (!m_run || reading() || m_run->empty())
        return;
    const QString path =
        m_dialogs.chooseFileToSave(QStringLiteral("Report"), besideLog(QStringLiteral(".pdf")),
                                   QStringLiteral("PDF document (*.pdf)"));
    if (path.isEmpty())
        return;
    // The range between the cursors where both are shown, else the whole run.
    const bool between = m_chart->cursorVisible(1) && m_chart->cursorVisible(2);
    const auto [from, to] =
        between ? measuredRange() : std::pair{m_run->firstMs(), m_run->lastMs()};
    const ReportRequest request{.title = QStringLiteral("Run report: ") +
                                         QFileInfo(m_run->path()).fileName(),
                                .station = m_station,
                                .fromMs = from,
                                .toMs = to,
                                .limits = {},
                                .pdfPath = path,
                                .madeAt = QDateTime::currentDateTime()};
    QString why, note;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool written = reportRun(*m_run, m_events, m_calibrations, request, &why, &note);
    QApplication::restoreOverrideCursor();
    if (!written)
        return m_dialogs.message(QStringLiteral("The report cannot be written as %1: %2.")
                                     .arg(QDir::toNativeSeparators(path), why));
    m_status->setText(QStringLiteral("Report written to %1.").arg(QDir::toNativeSeparators(path)));
}

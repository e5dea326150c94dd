#include "MainWindow.h"

#include "Acquisition.h"
#include "AlarmMonitor.h"
#include "AlarmSettings.h"
#include "AlarmStrip.h"
#include "AlarmsDialog.h"
#include "CalibrationDialog.h"
#include "CalibrationStore.h"
#include "ChartModes.h"
#include "CommPort.h"
#include "Instrument.h"
#include "Knob.h"
#include "LogSession.h"
#include "LogSetupDialog.h"
#include "MeasurementState.h"
#include "MenuBarNote.h"
#include "ModeSelector.h"
#include "MqttPublisher.h"
#include "OperatorDialogs.h"
#include "PasswordVault.h"
#include "PortPrompt.h"
#include "PortSelection.h"
#include "ProgramVersion.h"
#include "PublishSettings.h"
#include "PublishingDialog.h"
#include "ReadingFeed.h"
#include "ReadoutLabel.h"
#include "ReviewWindow.h"
#include "RunSummary.h"
#include "SaveChartCommand.h"
#include "SettingsLocation.h"
#include "SlideIndicator.h"
#include "StatusPanels.h"
#include "StripChart.h"
#include "Twips.h"
#include "TwoStateButton.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>
#include <cmath>

namespace {
QString portAuditText(const CommPort& port) {
    return QStringLiteral("%1 (%2)").arg(port.commPort()).arg(port.deviceName(port.commPort()));
}
} // namespace

MainWindow::MainWindow(Instrument& instrument, OperatorDialogs& dialogs,
                       const QString& programFolder, MonotonicClock* readingClock)
    : m_state(instrument.state), m_port(instrument.port), m_instrument(instrument),
      m_dialogs(dialogs), m_calibrationServices{instrument.store,
                                                instrument.history,
                                                instrument.audit,
                                                instrument.settings,
                                                instrument.acquisition,
                                                readingClock ? *readingClock : instrument.clock},
      m_publishing{instrument.publisher, instrument.feed, instrument.settings},
      m_alarms{instrument.alarms, instrument.alarmSettings, instrument.settings},
      m_programFolder(programFolder), m_acquisition(instrument.acquisition),
      m_logSession(instrument.logSession) {
    setObjectName(QStringLiteral("frmMain"));
    // Below the window every part reports and carries on; here it becomes a box, one at a time.
    instrument.notices.setSink([&dialogs](Notice notice) { dialogs.tell(std::move(notice)); });
    setWindowTitle(QStringLiteral("Halvane DGH GUI  Ver. ") + QLatin1String(kProgramVersion));
    tmrPlot.setObjectName(QStringLiteral("tmrPlot"));

    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);
    grid->addWidget(buildFlowPanel(), 0, 0);
    grid->addWidget(buildPhPanel(), 0, 1);
    grid->addWidget(buildThermistorPanel(), 1, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 1);
    m_alarmStrip = new AlarmStrip(m_alarms.monitor, m_alarms.current,
                                  {lblTherm1, lblTherm2, lblTherm3, lblmV, lblpH, lblmV1, lblpH1,
                                   lblHz, lblLitersPerMin, liters},
                                  this);
    grid->addWidget(m_alarmStrip, 2, 0, 1, 2);
    setCentralWidget(central);
    // The design's client area, within the screen; the layout keeps every control readable.
    const TwipsScale twips(font());
    resize(QSize(twips.pixels(13245), twips.pixels(10305)).boundedTo(screenRoom()));

    // Panel widths as designed at 15 twips to a pixel; panel 1 takes what the window adds.
    // Panel 5 shows the device the open port is on.
    StatusBar1 = new StatusPanels({8000 / 15, 1440 / 15, 1440 / 15, 1440 / 15, 1440 / 15}, this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(StatusBar1);
    buildMenus();
    connectHandlers();
}

MainWindow::~MainWindow() = default;

QSize MainWindow::screenRoom(const QMargins& frame) const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QWIDGETSIZE_MAX * QSize(1, 1);
    // A scaled screen's size in window units is rounded (1600 pixels at 1.5 give 1067, which
    // are 1601 pixels): the largest size that stays within its whole pixels.
    const qreal ratio = screen->devicePixelRatio();
    const auto fit = [ratio](int units) {
        return int(std::floor(std::floor(units * ratio + 1e-9) / ratio));
    };
    const QSize available = screen->availableSize();
    return QSize(fit(available.width()), fit(available.height())) -
           QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Once the frame is known, the first size makes room for it too.
    if (std::exchange(m_firstShown, true) || !windowHandle())
        return;
    const QSize room = screenRoom(windowHandle()->frameMargins());
    if (size().width() > room.width() || size().height() > room.height())
        resize(size().boundedTo(room));
}

ReviewWindow* MainWindow::openReview(const QString& path) {
    auto* review =
        new ReviewWindow(m_dialogs, m_instrument.history, reportStation(m_instrument.settings));
    review->show();
    if (review->openLog(path))
        return review;
    review->close();
    return nullptr;
}

void MainWindow::buildMenus() {
    auto command = [](QMenu* menu, const QString& caption, const char* name) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    QAction* openLog = command(file, QStringLiteral("&Open Log..."), "mnuOpenLog");
    QAction* saveChart = command(file, QStringLiteral("Save &Chart As..."), "mnuSaveChart");
    file->addSeparator();
    mnuExit = command(file, QStringLiteral("E&xit"), "mnuExit");
    // Queued: the file dialog is modal, and the command (a click, a screen reader's action)
    // returns before it opens.
    connect(
        openLog, &QAction::triggered, this,
        [this] {
            const QString path = m_dialogs.chooseFileToOpen(
                QStringLiteral("Open Log"),
                m_logSession.logPath().isEmpty() ? QDir::homePath() : m_logSession.logPath(),
                QStringLiteral("Log files (*.csv *.txt *.log);;All Files (*)"));
            if (!path.isEmpty())
                openReview(path);
        },
        Qt::QueuedConnection);
    connect(
        saveChart, &QAction::triggered, this,
        [this] {
            saveChartAsked(m_dialogs, *CWGraph1,
                           QDir::home().filePath(QStringLiteral("chart.png")));
        },
        Qt::QueuedConnection);
    QMenu* log = menuBar()->addMenu(QStringLiteral("&Logging"));
    log->setObjectName(QStringLiteral("mnuLog"));
    mnuLogSetup = command(log, QStringLiteral("&Setup"), "mnuLogSetup");
    mnuStop = command(log, QStringLiteral("S&top Logging"), "mnuStop");
    mnuStop->setEnabled(false);
    mnuPublishing = command(log, QStringLiteral("&Publishing..."), "mnuPublishing");
    mnuAlarms = command(log, QStringLiteral("&Alarms..."), "mnuAlarms");
    QMenu* cal = menuBar()->addMenu(QStringLiteral("&Calibration"));
    cal->setObjectName(QStringLiteral("mnuCal"));
    mnuPhCal = command(cal, QStringLiteral("&pH calibration values"), "mnuPhCal");
    // A command on the menu bar itself: choosing it opens no submenu.
    mnuComPort = menuBar()->addAction(QStringLiteral("C&omm Port"));
    mnuComPort->setObjectName(QStringLiteral("mnuComPort"));

    connect(mnuExit, &QAction::triggered, qApp, &QApplication::quit);
    connect(mnuLogSetup, &QAction::triggered, this, &MainWindow::openLogSetup);
    connect(mnuStop, &QAction::triggered, &m_logSession, &LogSession::stop);
    // Rows carry what the total-litres readout shows.
    connect(&m_logSession, &LogSession::started, this, [this](const QString& path) {
        StatusBar1->setPanelText(1, path);
        showLoggingState(true);
        mnuLogSetup->setEnabled(false);
    });
    connect(&m_logSession, &LogSession::stopped, this, [this] {
        showLoggingState(false);
        mnuLogSetup->setEnabled(true);
        mnuStop->setEnabled(false);
    });
    connect(mnuPhCal, &QAction::triggered, this, &MainWindow::openCalibration);
    connect(mnuPublishing, &QAction::triggered, this, &MainWindow::openPublishing);
    connect(mnuAlarms, &QAction::triggered, this, &MainWindow::openAlarms);
    m_publishState = new MenuBarNote(*this);
    m_publishState->setObjectName(QStringLiteral("lblPublishing"));
    m_publishState->setTextInteractionFlags(Qt::TextSelectableByKeyboard);
    m_publishState->setFocusPolicy(Qt::TabFocus);
    m_publishState->setNote(m_publishing.publisher.statusText());
    connect(&m_publishing.publisher, &MqttPublisher::statusChanged, this,
            [this] { m_publishState->setNote(m_publishing.publisher.statusText()); });
    connect(mnuComPort, &QAction::triggered, this, [this] {
        const QString before = portAuditText(m_port);
        selectPort(m_port, m_dialogs);
        showPortDevice();
        audit(QStringLiteral("Port"), before, portAuditText(m_port));
    });
    connect(&m_port, &CommPort::deviceLost, this, [this](const QString& device) {
        showPortDevice();
        // Noticed inside a read cycle: a box without a loop of its own, as the parts' notices.
        m_dialogs.tell({.source = QStringLiteral("line"),
                        .severity = Notice::Severity::Failure,
                        .text = deviceLostText(device)});
    });
    connect(&m_port, &CommPort::deviceBack, this, [this](const QString& device) {
        StatusBar1->setPanelText(5, tr("%1 (back again)").arg(QDir::toNativeSeparators(device)));
    });
}

QString MainWindow::lampPath(const char* file) const {
    return m_programFolder + QStringLiteral("/icons/") + QLatin1String(file);
}

void MainWindow::startUp() {
    openPort(m_port, m_dialogs);
    showPortDevice();
    for (int ms : Acquisition::kRatesMs)
        cmbUpdate->addItem(QString::number(ms), ms);
    // Filling an editable box selects its first entry; no entry is selected at start.
    cmbUpdate->setCurrentIndex(-1);
    cmbUpdate->setEditText(QStringLiteral("1000"));
    showLoggingState(false);
    CWtherMax->setValue(25);
    CWtherMin->setValue(5);
    CWpHmax->setValue(15);
    m_instrument.loadCalibration();
    QStringList refusedLimits;
    m_alarms.current = loadAlarmSettings(m_alarms.settings, &refusedLimits);
    if (!refusedLimits.isEmpty())
        m_dialogs.message(QStringLiteral("These alarm settings in %1 are not usable; their "
                                         "defaults are used: %2")
                              .arg(QDir::toNativeSeparators(m_alarms.settings.fileName()),
                                   refusedLimits.join(QStringLiteral(", "))));
    m_alarms.monitor.setLimits(m_alarms.current.limits);
    bool remember = false;
    PasswordVault vault(m_publishing.settings);
    m_publishing.publisher.configure(loadPublishing(m_publishing.settings, vault, &remember));
    m_publishing.feed.publishCalibration();
}

void MainWindow::showReadout(Readout readout, double value) {
    if (readout == Readout::TotalLiters)
        m_logSession.setTotalLiters(value);
    ReadoutLabel* labels[] = {lblTherm1, lblTherm2, lblTherm3, lblmV,           lblpH,
                              lblmV1,    lblpH1,    lblHz,     lblLitersPerMin, liters};
    labels[int(readout)]->showValue(readoutText(value));
}

void MainWindow::showSlide(Slide slide, double value) {
    SlideIndicator* slides[] = {CWSlideTherm1, CWSlideTherm2, CWSlideTherm3, CWSlideFlow,
                                CWSlideLiters};
    slides[int(slide)]->setDisplayedValue(value);
}

void MainWindow::switchGroupOff(Group group) {
    TwoStateButton* switches[] = {cwbPh, cwbFlow, cwbTherm};
    switches[int(group)]->setValue(false);
}

void MainWindow::showPortDevice() {
    const QString device = m_port.openDevice();
    const QString away = m_port.awayDevice();
    if (!away.isEmpty())
        StatusBar1->setPanelText(5, tr("%1 (away)").arg(QDir::toNativeSeparators(away)));
    else
        StatusBar1->setPanelText(5, device.isEmpty() ? tr("Port closed")
                                                     : QDir::toNativeSeparators(device));
}

WindowTimer& MainWindow::loggerTimer() {
    return m_logSession.loggerTimer();
}

void MainWindow::showLoggingState(bool logging) {
    StatusBar1->setPanelText(4,
                             logging ? QStringLiteral("Logging") : QStringLiteral("Not Logging"));
    StatusBar1->setPanelPicture(4, lampPath(logging ? "greenlight.bmp" : "redlight.bmp"));
}

void MainWindow::openLogSetup() {
    if (!m_logSetup) {
        m_logSetup = new LogSetupDialog(m_logSession, m_dialogs, this);
        // Closed from its frame it is unloaded; the next Setup loads it afresh.
        connect(m_logSetup, &LogSetupDialog::closedFromFrame, this, [this] {
            m_logSetup->deleteLater();
            m_logSetup = nullptr;
        });
    }
    m_logSetup->show();
    m_logSetup->raise();
    mnuLogSetup->setEnabled(false);
    mnuStop->setEnabled(true);
}

void MainWindow::openCalibration() {
    if (!m_calibration) {
        m_calibration = new CalibrationDialog(m_state, m_calibrationServices, m_dialogs, this);
        connect(m_calibration, &CalibrationDialog::phReadingRequested, this,
                [this] { cwbPh->setValue(true); });
        connect(m_calibration, &CalibrationDialog::saved, &m_publishing.feed,
                &ReadingFeed::publishCalibration);
        connect(m_calibration, &CalibrationDialog::closedFromFrame, this, [this] {
            m_calibration->deleteLater();
            m_calibration = nullptr;
        });
    }
    m_calibration->show();
    m_calibration->raise();
}

void MainWindow::openPublishing() {
    const QString before = publishingAuditText(m_publishing.publisher.settings());
    PublishingDialog dialog(m_publishing.publisher, m_publishing.settings, m_dialogs, this);
    if (dialog.exec() == QDialog::Accepted)
        audit(QStringLiteral("Publishing settings"), before,
              publishingAuditText(m_publishing.publisher.settings()));
}

void MainWindow::openAlarms() {
    const AlarmLimits before = m_alarms.current.limits;
    AlarmsDialog dialog(m_alarms.monitor, m_alarms.current, m_alarms.settings, m_dialogs, this);
    if (dialog.exec() == QDialog::Accepted)
        audit(QStringLiteral("Alarm limits"), limitEntriesText(before, &m_alarms.current.limits),
              limitEntriesText(m_alarms.current.limits, &before));
}

void MainWindow::audit(const QString& what, const QString& from, const QString& to) {
    if (from != to)
        m_instrument.audit.record(what, from, to);
}

// A logging process for the durability tests: logs rows to a file until it is killed or a write
// fails, and prints each row's number once it has been written.
//
//   log_child PATH INTERVAL_MS [FILE_SIZE_LIMIT_BYTES]
#include "LogSession.h"
#include "LoggingIndicators.h"
#include "MeasurementState.h"
#include "ScriptedDialogs.h"
#include "WindowTimer.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>

namespace {
struct PrintingIndicators : LoggingIndicators {
    void showLogPath(const QString&) override {}
    void showLoggingState(bool logging) override {
        std::printf("state %s\n", logging ? "logging" : "not-logging");
        std::fflush(stdout);
    }
    void setSetupEnabled(bool) override {}
    void setStopEnabled(bool) override {}
    QString totalLitersText() const override { return QStringLiteral("1.5"); }
};
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    if (argc > 3) {
        // Writes past the limit fail with EFBIG instead of killing the process.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = std::strtoull(argv[3], nullptr, 10);
        const rlimit r{limit, limit};
        setrlimit(RLIMIT_FSIZE, &r);
    }
    MeasurementState state;
    state.therm1 = 21.5;
    WindowTimer timer(std::atoi(argv[2]), false);
    PrintingIndicators indicators;
    ScriptedDialogs dialogs;
    dialogs.onMessage = [](const QString& text) {
        std::printf("message %s\n", qPrintable(text));
        std::fflush(stdout);
    };
    LogSession session(state, timer, indicators, dialogs);
    session.setLogPath(QString::fromLocal8Bit(argv[1]));
    if (!session.openLog(LogWriter::Mode::Overwrite))
        return 1;
    int rows = 0;
    QObject::connect(&timer, &WindowTimer::tick, &timer, [&] {
        // The session has written its row by now (it connected first).
        if (!session.fileOpen()) {
            app.quit();
            return;
        }
        std::printf("row %d\n", ++rows);
        std::fflush(stdout);
    });
    timer.setEnabled(true);
    return app.exec();
}

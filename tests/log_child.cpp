// A logging process for the durability tests: logs rows to a file until it is killed or a write
// fails, and prints each row's number once it has been written.
//
//   log_child PATH INTERVAL_MS [FILE_SIZE_LIMIT_BYTES]
#include "LogSession.h"
#include "MeasurementState.h"
#include "Notices.h"
#include "WindowTimer.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>

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
    Notices notices;
    notices.setSink([](const Notice& notice) {
        std::printf("message %s\n", qPrintable(notice.text));
        std::fflush(stdout);
    });
    LogSession session(state, notices);
    session.setTotalLiters(1.5);
    QObject::connect(&session, &LogSession::stopped, [] {
        std::printf("state not-logging\n");
        std::fflush(stdout);
    });
    WindowTimer& timer = session.loggerTimer();
    timer.setInterval(std::atoi(argv[2]));
    session.setLogPath(QString::fromLocal8Bit(argv[1]));
    if (!session.openLog(LogWriter::Mode::Overwrite))
        return 1;
    int rows = 0;
    QObject::connect(&session, &LogSession::rowWritten, [&] {
        std::printf("row %d\n", ++rows);
        std::fflush(stdout);
    });
    QObject::connect(&session, &LogSession::stopped, &app, &QCoreApplication::quit);
    session.start();
    return app.exec();
}

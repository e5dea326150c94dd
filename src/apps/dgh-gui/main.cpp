// dgh-gui: polls the DGH sensor modules and shows, charts and logs their readings; or, with
// --review, shows a recorded log.
#include "CalibrationHistory.h"
#include "GuiOptions.h"
#include "Instrument.h"
#include "MainWindow.h"
#include "MonotonicClock.h"
#include "ReviewWindow.h"
#include "RunSummary.h"
#include "SettingsLocation.h"
#include "WidgetDialogs.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    app.setApplicationName(QLatin1String(WidgetDialogs::kProgramTitle));
    // Installed, the icon theme has the program's icon under its desktop entry's name.
    app.setWindowIcon(QIcon::fromTheme(QStringLiteral("com.halvane.DghGui")));
    const auto parsed = parseGuiOptions(app.arguments());
    if (const auto* exit = std::get_if<LoggerExit>(&parsed)) {
        std::fputs(qPrintable(exit->text.trimmed() + u'\n'), exit->status == 0 ? stdout : stderr);
        return exit->status;
    }

    const SettingsLocation settings;
    WidgetDialogs dialogs;
    if (const QString& review = std::get<GuiOptions>(parsed).reviewPath; !review.isEmpty()) {
        // Review only: no port is opened.
        const CalibrationHistory history(settings);
        auto* window = new ReviewWindow(dialogs, history, reportStation(settings));
        window->show();
        if (!window->openLog(review))
            return 1;
        return app.exec();
    }
    SteadyClock clock;
    Instrument instrument(settings, clock);
    instrument.audit.record(QStringLiteral("Program started"), QStringLiteral("-"),
                            QStringLiteral("settings %1").arg(settings.fileName()));
    MainWindow window(instrument, dialogs, QCoreApplication::applicationDirPath());
    window.startUp();
    window.show();
    const int status = app.exec();
    instrument.audit.record(QStringLiteral("Program stopped"), QStringLiteral("-"),
                            QStringLiteral("exit status %1").arg(status));
    return status;
}

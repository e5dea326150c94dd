// dgh-gui: polls the DGH sensor modules and shows, charts and logs their readings.
#include "Instrument.h"
#include "MainWindow.h"
#include "MonotonicClock.h"
#include "SettingsLocation.h"
#include "WidgetDialogs.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    app.setApplicationName(QLatin1String(WidgetDialogs::kProgramTitle));
    // Installed, the icon theme has the program's icon under its desktop entry's name.
    app.setWindowIcon(QIcon::fromTheme(QStringLiteral("com.halvane.DghGui")));

    const SettingsLocation settings;
    SteadyClock clock;
    WidgetDialogs dialogs;
    Instrument instrument(settings, clock);
    MainWindow window(instrument, dialogs, QCoreApplication::applicationDirPath());
    window.startUp();
    window.show();
    return app.exec();
}

#include "GuiOptions.h"

#include "ProgramVersion.h"
#include "QuotedText.h"

std::variant<GuiOptions, LoggerExit> parseGuiOptions(const QStringList& arguments) {
    GuiOptions options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == u"--help")
            return LoggerExit{QStringLiteral("Usage: dgh-gui [--review FILE]\n"
                                             "Reads the DGH sensor modules in a window; with "
                                             "--review, opens the recorded log FILE for review "
                                             "only.\n"),
                              0};
        if (a == u"--version")
            return LoggerExit{QStringLiteral("dgh-gui ") + QLatin1String(kProgramVersion), 0};
        if (a == u"--review" || a.startsWith(u"--review=")) {
            const QString value = a.contains(u'=')           ? a.section(u'=', 1)
                                  : i + 1 < arguments.size() ? arguments[++i]
                                                             : QString();
            if (value.isEmpty())
                return LoggerExit{QStringLiteral("dgh-gui: --review: no file given"), 2};
            options.reviewPath = value;
            continue;
        }
        return LoggerExit{
            QStringLiteral("dgh-gui: '%1' is not an option (see --help)").arg(quotedText(a, 40)),
            2};
    }
    return options;
}

#include "PortPrompt.h"

#include "OperatorDialogs.h"
#include "PortSelection.h"

void selectPort(CommPort& port, OperatorDialogs& dialogs) {
    port.close();
    const QString answer = dialogs.inputText(QStringLiteral("Enter Commport Number"),
                                             QStringLiteral("Commport Setup"), QString());
    const std::optional<qint16> number = portNumberFromText(answer);
    if (!number)
        return;
    port.setCommPort(*number);
    openPort(port, dialogs);
}

void openPort(CommPort& port, OperatorDialogs& dialogs) {
    if (const std::optional<Notice> failure = openFailureNotice(port, port.open()))
        dialogs.message(failure->text, failure->title, failure->detail);
}

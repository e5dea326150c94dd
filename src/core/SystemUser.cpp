#include "SystemUser.h"

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

QString systemUserName() {
#ifdef Q_OS_UNIX
    // The account itself rather than $USER, which anybody can set.
    if (const passwd* entry = getpwuid(geteuid()))
        return QString::fromLocal8Bit(entry->pw_name);
#endif
    return qEnvironmentVariable("USERNAME", qEnvironmentVariable("USER"));
}

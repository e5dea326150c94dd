#pragma once

#include <QString>

// The operating system's name of the user running the program ("alice"), for records of who
// did what; empty when the system does not say.
QString systemUserName();

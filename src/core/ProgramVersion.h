#pragma once

// The version the window's title, the log header and dgh-logger --version state: the project's
// own, from the build.
inline constexpr const char* kProgramVersion = DGH_VERSION;

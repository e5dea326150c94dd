#pragma once

#include <QLatin1StringView>

// The per-user settings store's name, and the keys more than one part reads: the port devices
// and the probe calibration. Other parts keep their own sections ([Alarms], [Publish]).
namespace settingskeys {

inline constexpr QLatin1StringView kApplication{"Halvane Science DGH Driver"};

// Device name for a port number: key N in this section names the device for port N.
inline constexpr QLatin1StringView kPortsSection{"Ports"};

inline constexpr QLatin1StringView kCoefficientsSection{"Coefficients"};
inline constexpr QLatin1StringView kOffset1{"offset"};
inline constexpr QLatin1StringView kOffset2{"offset2"};
inline constexpr QLatin1StringView kSlope1{"slope"};
inline constexpr QLatin1StringView kSlope2{"slope2"};
inline constexpr QLatin1StringView kSerial1{"serial number"};
inline constexpr QLatin1StringView kSerial2{"serial number2"};
inline constexpr QLatin1StringView kDate1{"date"};
inline constexpr QLatin1StringView kDate2{"date2"};

} // namespace settingskeys

#pragma once

// The constants of the pH conversion, pH = (V - offset) / kNernstFactor / slope / (T + 273.15)
// + 7, shared by the channel that converts readings and the calibration that inverts it.
namespace ph {
constexpr double kMillivoltsPerVolt = 1000;
constexpr double kCelsiusToKelvin = 273.15;
constexpr double kNernstFactor = 0.000198416; // ln(10)*R/F, volts per kelvin per pH unit
constexpr double kNeutralPh = 7;              // the probe reads its offset at pH 7
} // namespace ph

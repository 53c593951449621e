// The layout unit and the conversions every subsystem shares. Lengths of
// the layout are integers in 1/20000 inch, the same on screen and paper;
// drawing scales them to device pixels (scale = dpi x zoom / kUnitsPerInch).
#pragma once

namespace vel::units {

constexpr int kUnitsPerInch = 20000;
constexpr double kPerInch = kUnitsPerInch;
constexpr double kPerMM = kPerInch / 25.4;
constexpr double kPerPoint = kPerInch / 72.0;

// Font sizes are held as points x 2000.
constexpr double kFontSizeScale = 2000.0;

// Device pixels per layout unit at a resolution and zoom.
constexpr double DeviceScale(double dpi, double zoom = 1.0) { return dpi * zoom / kPerInch; }

}  // namespace vel::units

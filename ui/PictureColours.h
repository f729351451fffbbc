#pragma once
// The main window picture's colours, exact RGB.

#include <QRgb>

namespace ryx::ui {

inline constexpr QRgb kBlack = qRgb(0, 0, 0);
inline constexpr QRgb kAxisGrey = qRgb(70, 70, 70);
inline constexpr QRgb kGridGrey = qRgb(40, 40, 40);
inline constexpr QRgb kGreen = qRgb(0, 255, 0);
inline constexpr QRgb kWhite = qRgb(255, 255, 255);
inline constexpr QRgb kMidGrey = qRgb(128, 128, 128);
inline constexpr QRgb kLightBlue = qRgb(80, 80, 255);
inline constexpr QRgb kDarkBlue = qRgb(0, 0, 140);
inline constexpr QRgb kRed = qRgb(230, 0, 0);
inline constexpr QRgb kDarkRed = qRgb(130, 0, 0);
inline constexpr QRgb kMessageRed = qRgb(255, 0, 0);

}  // namespace ryx::ui

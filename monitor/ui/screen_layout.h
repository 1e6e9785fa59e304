// Where things stand on the About and General Setting pages. The drawn backgrounds and the
// widgets laid over them both follow these places.
#pragma once

#include <QPointF>
#include <QRect>

namespace qorv::ui {

// The title band across the top of both pages.
inline constexpr int kPageHeaderHeight = 88;

// About: the text on the left, the product mark with the version beneath it on the right.
constexpr QRect agreementBox() { return {60, 120, 580, 560}; }
constexpr QPointF aboutMarkCentre() { return {820, 300}; }
constexpr QRect versionLabel() { return {720, 440, 200, 26}; }

// General Setting: the frames and the OK button, at the default font; where a larger font
// needs more room the form grows from this corner to the right and down.
constexpr QRect settingsForm() { return {60, 120, 640, 480}; }

}  // namespace qorv::ui

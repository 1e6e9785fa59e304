// The window's fixed layout, in pixels: the navigation strip on the left and the page
// area beside it, sized for the board pictures, so the whole window fits a 1280 x 1024
// screen.
#pragma once

#include <QRect>
#include <QSize>

namespace qorv::ui {

inline constexpr int kStripWidth = 214;
inline constexpr int kPageWidth = 1000;
inline constexpr int kPageHeight = 720;

inline QSize stripSize() { return {kStripWidth, kPageHeight}; }
inline QSize pageSize() { return {kPageWidth, kPageHeight}; }
inline QSize windowSize() { return {kStripWidth + kPageWidth, kPageHeight}; }

// The five buttons of the strip, top to bottom (About, System Monitoring, General Setting,
// Qorvanescope, Exit): 150 x 58 pixels each, 64 pixels apart, below the strip's logo.
inline QRect navigationButton(int index) { return {32, 152 + 64 * index, 150, 58}; }
inline constexpr int kNavigationButtons = 5;

}  // namespace qorv::ui

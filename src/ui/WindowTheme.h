#pragma once

#include <QColor>
#include <QString>

#include <array>

namespace quorvel {

// The floating window's two looks: a warm light "paper" and a dark "poster" that turns wholly red
// while recording, an on-air light readable across a room.
enum class WindowTheme { paper, poster };

inline constexpr std::array<WindowTheme, 2> allWindowThemes{WindowTheme::paper,
                                                            WindowTheme::poster};

// "paper" or "poster": the persisted form.
QString rawValue(WindowTheme theme);
// Only an exact "poster" is the poster theme; every other text, unknown ones included, is paper.
WindowTheme windowThemeFromRawValue(const QString& text);

// The fixed colours every surface shares, exact fractions of 255 in sRGB.
namespace ThemeColor {
QColor red();        // 229/52/42: the recording red of the window, the Dock tile and the page
QColor paperField(); // 242/239/230
QColor ink();        // 17/17/17
QColor nightField(); // 20/20/18
QColor white();
} // namespace ThemeColor

} // namespace quorvel

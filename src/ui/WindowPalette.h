#pragma once

#include "ui/WindowTheme.h"

#include <QColor>

namespace quorvel {

// The colours one state of the floating window draws with: the theme and whether a take is being
// recorded decide all of them.
struct WindowPalette
{
    QColor background;
    QColor ink;        // heading, context, rule, gear
    QColor take;       // status line and numeral
    QColor folderLine; // the folder path under the status line

    static WindowPalette of(WindowTheme theme, bool recording);
    // The palette part way from a to b; t in [0, 1]. For the recording transition.
    static WindowPalette blend(const WindowPalette& a, const WindowPalette& b, qreal t);

    friend bool operator==(const WindowPalette&, const WindowPalette&) = default;
};

} // namespace quorvel

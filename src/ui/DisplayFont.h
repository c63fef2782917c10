#pragma once

#include <QFont>
#include <QString>

namespace quorvel {

// The type the surfaces are drawn in. The design is set in Helvetica Neue; where it is missing a
// metric-compatible sans keeps the layout close (Nimbus Sans, then Liberation Sans), and the
// system's sans serves when neither is installed.
namespace DisplayFont {

// The first of the preferred families that is installed, else the system sans.
QString sansFamily();

// The sans at a size in device-independent pixels (the design's points).
QFont sans(qreal pixelSize, bool bold = false);

// The Dock badge's face: Rockwell Bold where installed, else the bold sans, whose digits are
// tabular in every family of the chain above.
QFont badge(qreal pixelSize);

} // namespace DisplayFont
} // namespace quorvel

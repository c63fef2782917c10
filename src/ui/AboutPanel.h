#pragma once

#include <QString>

class QDialog;
class QWidget;

namespace quorvel {

// The about box: icon, name, version and a one-paragraph credit in the small, dimmed,
// centred style of a standard about panel.
namespace AboutPanel {

QString creditsText();

// A new about dialog; the caller owns it. Its credits label is named "credits".
QDialog* create(QWidget* parent = nullptr);

// Brings the application forward and shows the one about dialog, creating it on first use.
void show();

} // namespace AboutPanel
} // namespace quorvel

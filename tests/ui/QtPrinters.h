#pragma once

#include <QString>

#include <ostream>

// Readable failure messages for Qt values: GoogleTest finds these by argument-dependent lookup
// (and prints a QStringList as a list of the QStrings).
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// Only the tests that link Qt Gui know colours.
#if __has_include(<QColor>)
#include <QColor>
inline void PrintTo(const QColor& colour, std::ostream* out)
{
    *out << colour.name(QColor::HexArgb).toStdString();
}
#endif

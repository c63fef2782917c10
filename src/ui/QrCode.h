#pragma once

#include <QImage>
#include <QString>

#include <vector>

namespace quorvel {

// QR codes of the remote display's addresses, so an iPad's camera opens the page without anyone
// typing an address.
namespace QrCode {

// The code's modules, row by row, true for dark; empty when text cannot be encoded.
std::vector<std::vector<bool>> modules(const QString& text);

// The code drawn black on white with moduleSize pixels per module and a quiet zone of four
// modules around it; a null image when text cannot be encoded.
QImage render(const QString& text, int moduleSize);

} // namespace QrCode
} // namespace quorvel

#include "ui/QrCode.h"

#include <qrencode.h>

#include <memory>

namespace quorvel::QrCode {

namespace {

constexpr int quietZone = 4;

struct QRcodeDeleter
{
    void operator()(QRcode* code) const { QRcode_free(code); }
};

} // namespace

std::vector<std::vector<bool>> modules(const QString& text)
{
    if (text.isEmpty())
        return {};
    const QByteArray bytes = text.toUtf8();
    // Version 0 lets the library pick the smallest that fits; medium error correction survives
    // a screen's glare.
    std::unique_ptr<QRcode, QRcodeDeleter> code(
        QRcode_encodeString8bit(bytes.constData(), 0, QR_ECLEVEL_M));
    if (!code || code->width <= 0)
        return {};
    const int width = code->width;
    std::vector<std::vector<bool>> result(static_cast<size_t>(width),
                                          std::vector<bool>(static_cast<size_t>(width)));
    for (int y = 0; y < width; ++y) {
        for (int x = 0; x < width; ++x)
            result[static_cast<size_t>(y)][static_cast<size_t>(x)] =
                (code->data[y * width + x] & 1) != 0;
    }
    return result;
}

QImage render(const QString& text, int moduleSize)
{
    const std::vector<std::vector<bool>> dark = modules(text);
    if (dark.empty() || moduleSize <= 0)
        return {};
    const int count = static_cast<int>(dark.size());
    const int side = (count + 2 * quietZone) * moduleSize;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QRgb black = qRgb(0, 0, 0);
    for (int y = 0; y < count; ++y) {
        for (int x = 0; x < count; ++x) {
            if (!dark[static_cast<size_t>(y)][static_cast<size_t>(x)])
                continue;
            for (int dy = 0; dy < moduleSize; ++dy) {
                QRgb* line =
                    reinterpret_cast<QRgb*>(image.scanLine((y + quietZone) * moduleSize + dy));
                for (int dx = 0; dx < moduleSize; ++dx)
                    line[(x + quietZone) * moduleSize + dx] = black;
            }
        }
    }
    return image;
}

} // namespace quorvel::QrCode

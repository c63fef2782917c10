#include "ui/QrCode.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

// A finder pattern: a dark 7×7 ring, a light ring inside it, a dark 3×3 centre.
bool finderAt(const std::vector<std::vector<bool>>& m, int top, int left)
{
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 7; ++x) {
            const bool ring = y == 0 || y == 6 || x == 0 || x == 6;
            const bool centre = y >= 2 && y <= 4 && x >= 2 && x <= 4;
            if (m[static_cast<size_t>(top + y)][static_cast<size_t>(left + x)] != (ring || centre))
                return false;
        }
    }
    return true;
}

} // namespace

TEST(QrCodeTest, AddressesEncodeToAValidSymbol)
{
    for (const char* address : {"http://studio-mac.local:8787", "http://192.168.1.20:8787",
                                "http://a-rather-long-host-name-for-a-studio-machine.local:8787"}) {
        const auto m = QrCode::modules(QString::fromLatin1(address));
        ASSERT_FALSE(m.empty()) << address;
        const int n = static_cast<int>(m.size());
        EXPECT_EQ((n - 21) % 4, 0) << address << ": " << n << " is no QR size";
        for (const auto& row : m)
            ASSERT_EQ(static_cast<int>(row.size()), n);
        EXPECT_TRUE(finderAt(m, 0, 0)) << address;
        EXPECT_TRUE(finderAt(m, 0, n - 7)) << address;
        EXPECT_TRUE(finderAt(m, n - 7, 0)) << address;
        EXPECT_FALSE(finderAt(m, n - 7, n - 7)) << address;
    }
    EXPECT_NE(QrCode::modules("http://192.168.1.20:8787"),
              QrCode::modules("http://192.168.1.21:8787"));
}

TEST(QrCodeTest, ImageHasAQuietZoneAndScaledModules)
{
    const QString address = QStringLiteral("http://192.168.1.20:8787");
    const auto m = QrCode::modules(address);
    const int n = static_cast<int>(m.size());
    const QImage image = QrCode::render(address, 3);
    ASSERT_EQ(image.size(), QSize((n + 8) * 3, (n + 8) * 3));
    for (int i = 0; i < image.width(); ++i) {
        EXPECT_EQ(QColor(image.pixel(i, 0)), QColor(Qt::white));
        EXPECT_EQ(QColor(image.pixel(0, i)), QColor(Qt::white));
        EXPECT_EQ(QColor(image.pixel(i, 11)), QColor(Qt::white));
    }
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            ASSERT_EQ(QColor(image.pixel((x + 4) * 3 + 1, (y + 4) * 3 + 1)),
                      m[static_cast<size_t>(y)][static_cast<size_t>(x)] ? QColor(Qt::black)
                                                                        : QColor(Qt::white))
                << x << "," << y;
}

TEST(QrCodeTest, EmptyTextHasNoCode)
{
    EXPECT_TRUE(QrCode::modules(QString()).empty());
    EXPECT_TRUE(QrCode::render(QString(), 3).isNull());
}

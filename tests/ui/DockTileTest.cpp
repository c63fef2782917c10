#include "QtPrinters.h"
#include "WatcherHarness.h"
#include "ui/ApplicationIcon.h"
#include "ui/DockTileRenderer.h"
#include "ui/DockTileUpdater.h"

#include <QApplication>
#include <QIcon>
#include <QSysInfo>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// The colour at a point of the 1024-unit canvas in a badge of side pixels.
QColor at(const QImage& badge, qreal x, qreal y)
{
    const qreal unit = badge.width() / 1024.0;
    return QColor::fromRgba(badge.pixel(static_cast<int>(x * unit), static_cast<int>(y * unit)));
}

} // namespace

TEST(DockTileRendererTest, TransparentCornersWhiteSquareDiscAndABlackNumber)
{
    for (const int side : {128, 512}) {
        for (const bool recording : {true, false}) {
            SCOPED_TRACE(testing::Message() << "side " << side << " recording " << recording);
            const QImage badge = DockTileRenderer::render(QStringLiteral("42"), recording, side);
            ASSERT_EQ(badge.size(), QSize(side, side));
            EXPECT_EQ(at(badge, 20, 20).alpha(), 0);
            EXPECT_EQ(at(badge, 120, 120).alpha(), 0) << "the square's corner is rounded";
            EXPECT_EQ(at(badge, 150, 512), QColor(Qt::white));
            EXPECT_EQ(at(badge, 300, 512),
                      recording ? QColor(229, 52, 42) : QColor(142, 142, 147)); // the disc
            // The number is inked in black, centred on the badge by its glyphs.
            const QRectF ink = DockTileRenderer::numberBounds(QStringLiteral("42"), side);
            EXPECT_NEAR(ink.center().x(), side / 2.0, 0.01);
            EXPECT_NEAR(ink.center().y(), side / 2.0, 0.01);
            int black = 0;
            for (int y = static_cast<int>(ink.top()); y < ink.bottom(); ++y)
                for (int x = static_cast<int>(ink.left()); x < ink.right(); ++x)
                    black += QColor(badge.pixel(x, y)) == QColor(Qt::black);
            EXPECT_GT(black, side * side / 500);
        }
    }
}

TEST(DockTileRendererTest, LongNumbersShrinkTo1Point4R)
{
    for (const int side : {128, 256, 1024}) {
        const qreal limit = 1.4 * DockTileRenderer::discRadius(side);
        for (const char* number : {"123456", "1234567890123"})
            EXPECT_NEAR(DockTileRenderer::numberBounds(QString::fromLatin1(number), side).width(),
                        limit, 1e-6)
                << number << " at " << side;
        EXPECT_LT(DockTileRenderer::numberBounds(QStringLiteral("7"), side).width(), limit)
            << "a short number keeps its size, at " << side;
    }
}

TEST(DockTileUpdaterTest, RedrawsOnlyWhenTheNumberOrTheFlagChanges)
{
    WatcherHarness h;
    std::vector<std::pair<std::optional<QString>, bool>> calls;
    // Each call logged, then installed as the application's icon.
    DockTileUpdater updater(h.watcher(), [&](const std::optional<QString>& number, bool recording) {
        calls.emplace_back(number, recording);
        DockTileRenderer::update(number, recording);
    });
    const auto icon = [side = DockTileRenderer::imageSide(DockTileRenderer::tileWidth())] {
        return QApplication::windowIcon()
            .pixmap(side, side)
            .toImage()
            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    // Linux shows the badge as the application's window icon; macOS draws it on the Dock, which
    // a test cannot read back.
    const bool iconShowsBadge = QSysInfo::kernelType() == u"linux";
    const auto expectCalls = [&](const char* step, size_t n, std::optional<QString> last,
                                 bool rec) {
        ASSERT_EQ(calls.size(), n) << step;
        EXPECT_EQ(calls.back(), std::pair(last, rec)) << step;
    };
    EXPECT_FALSE(updater.hasRendered());
    h.apply({});
    expectCalls("first change, no take: the icon restored", 1, std::nullopt, false);
    h.record("7");
    expectCalls("recording", 2, "7", true);
    if (iconShowsBadge) {
        EXPECT_EQ(at(icon(), 512, 270), QColor(229, 52, 42)) << "the badge's disc, red";
    }
    h.apply(snapshotWithTake("7", true, std::nullopt, QString("/takes")));
    expectCalls("a folder: no redraw", 2, "7", true);
    h.watcher().setShowNextTakeWhenIdle(false);
    h.stop("7");
    expectCalls("the same number, no longer recording", 3, "7", false);
    h.watcher().setShowNextTakeWhenIdle(true);
    expectCalls("the next take", 4, "8", false);
    h.record("8");
    expectCalls("the same number, recording", 5, "8", true);
    DockTileRenderer::update(std::nullopt, false);
    if (iconShowsBadge) {
        EXPECT_EQ(icon(), ApplicationIcon::render(icon().width())) << "without a number, the icon";
    }
}

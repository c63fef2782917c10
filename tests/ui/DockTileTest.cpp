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
    h.apply({});
    expectCalls("first change, no take: the icon restored", 1, std::nullopt, false);
    h.record("7");
    expectCalls("recording", 2, "7", true);
    if (iconShowsBadge) {
        const QImage badge = icon();
        const qreal unit = badge.width() / 1024.0;
        EXPECT_EQ(QColor::fromRgba(badge.pixel(int(512 * unit), int(270 * unit))),
                  QColor(229, 52, 42))
            << "the badge's disc, red";
    }
    h.apply(snapshotWithTake("7", true, std::nullopt, QString("/takes")));
    expectCalls("a folder: no redraw", 2, "7", true);
    h.watcher().setShowNextTakeWhenIdle(false);
    h.stop("7");
    expectCalls("the same number, no longer recording", 3, "7", false);
    h.watcher().setShowNextTakeWhenIdle(true);
    expectCalls("the next take", 4, "8", false);
    DockTileRenderer::update(std::nullopt, false);
    if (iconShowsBadge) {
        EXPECT_EQ(icon(), ApplicationIcon::render(icon().width())) << "without a number, the icon";
    }
}

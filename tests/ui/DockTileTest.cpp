#include "QtPrinters.h"
#include "WatcherHarness.h"
#include "ui/ApplicationIcon.h"
#include "ui/DockTileRenderer.h"
#include "ui/DockTileUpdater.h"

#include <QApplication>
#include <QIcon>
#include <QSysInfo>

#include <gtest/gtest.h>

#include <limits>

using namespace quorvel;
using namespace quorvel::test;

TEST(DockTileUpdaterTest, RedrawsOnlyWhenTheNumberOrTheFlagChanges)
{
    WatcherHarness h;
    std::vector<std::pair<std::optional<QString>, bool>> calls;
    // Each call logged, then installed as the application's icon.
    DockTileUpdater updater(
        h.watcher(), nullptr,
        [&](const std::optional<QString>& number, bool recording) {
            calls.emplace_back(number, recording);
            DockTileRenderer::update(number, recording);
        },
        [](const DockTile::LauncherBadge&) {});
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

namespace {

std::string describe(const DockTile::LauncherBadge& badge)
{
    return "count " + std::to_string(badge.count) + (badge.countVisible ? " shown" : " hidden") +
           (badge.urgent ? ", urgent" : "");
}

} // namespace

TEST(LauncherBadgeTest, ShowsOnlyWholeNumbersEveryDockKeeps)
{
    const qint64 intMax = std::numeric_limits<int>::max();
    struct Case
    {
        std::optional<QString> number;
        bool recording;
        DockTile::LauncherBadge expected;
    };
    const Case cases[] = {
        {std::nullopt, false, {0, false, false}},
        {std::nullopt, true, {0, false, true}},
        {QString("42"), true, {42, true, true}},
        {QString("43"), false, {43, true, false}},
        {QString("0"), false, {0, true, false}},
        {QString("+7"), false, {7, true, false}},
        {QString::number(intMax - 1), false, {intMax - 1, true, false}},
        // From here on KDE would keep the previous count on the icon.
        {QString::number(intMax), false, {0, false, false}},
        {QString("9223372036854775807"), true, {0, false, true}},
        {QString("99999999999999999999"), false, {0, false, false}},
        {QString("-3"), false, {0, false, false}},
        {QString(""), false, {0, false, false}},
        {QString("12b"), true, {0, false, true}},
        {QString(" 12"), false, {0, false, false}},
        // Arabic-Indic three: numeric, but not a decimal number a dock can show.
        {QString::fromUtf8("\u0663"), false, {0, false, false}},
    };
    for (const Case& c : cases) {
        const DockTile::LauncherBadge badge =
            DockTileRenderer::launcherBadge(c.number, c.recording);
        EXPECT_TRUE(badge == c.expected)
            << "number " << (c.number ? c.number->toStdString() : "(none)")
            << (c.recording ? ", recording" : "") << ": got " << describe(badge) << ", expected "
            << describe(c.expected);
    }
}

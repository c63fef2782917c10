#include "model/LoginItemFiles.h"
#include "platform/WindowSystem.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace quorvel;

// Paths an installation may really have: spaces, quotes, shell and field-code characters. The
// reference validator must accept each entry, and its Exec key must name the path exactly.
TEST(DesktopIntegrationTest, AutostartEntryQuotesAnyExecutablePath)
{
    test::TempDir dir;
    const QString nasty = QStringLiteral("/opt/My \"Take\" Apps/100%/$HOME/back\\slash/quorvel");
    for (const QString& path : {QStringLiteral("/usr/bin/quorvel"), nasty}) {
        const auto entry = LoginItemFiles::autostartEntry(path);
        ASSERT_TRUE(entry);
        const QString file = dir.write("autostart/com.quorvel.Quorvel.desktop", entry->toUtf8());
        QProcess validate;
        validate.start(QStringLiteral("desktop-file-validate"), {file});
        ASSERT_TRUE(validate.waitForFinished(60000));
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();
        EXPECT_TRUE(LoginItemFiles::autostartEntryIsActive(*entry));
    }
    EXPECT_TRUE(LoginItemFiles::autostartEntry(nasty)->contains(
        QStringLiteral("Exec=\"/opt/My \\\\\"Take\\\\\" Apps/100%%/\\\\$HOME/back\\\\\\\\slash/"
                       "quorvel\"\n")));
    EXPECT_FALSE(LoginItemFiles::autostartEntry(QStringLiteral("/opt/two\nlines")));

    // Switched off by hand, in the main group only.
    EXPECT_FALSE(LoginItemFiles::autostartEntryIsActive("[Desktop Entry]\nHidden = true\n"));
    EXPECT_FALSE(LoginItemFiles::autostartEntryIsActive(
        "[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n"));
    EXPECT_TRUE(LoginItemFiles::autostartEntryIsActive(
        "[Desktop Entry]\nHidden=false\n[Desktop Action x]\nHidden=true\n"));

    EXPECT_EQ(LoginItemFiles::autostartDirectory("", "/home/u"), "/home/u/.config/autostart");
    EXPECT_EQ(LoginItemFiles::autostartDirectory("relative", "/home/u"),
              "/home/u/.config/autostart");
    EXPECT_EQ(LoginItemFiles::autostartDirectory("/cfg", "/home/u"), "/cfg/autostart");
}

TEST(DesktopIntegrationTest, LaunchAgentIsWellFormedForAnyPath)
{
    const QString path = QStringLiteral("/Applications/R&D <tools>/Quorvel.app/Contents/MacOS/Quorvel");
    QXmlStreamReader xml(LoginItemFiles::launchAgent(QStringLiteral("com.quorvel.Quorvel"), path));
    QStringList strings;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"string")
            strings << xml.readElementText();
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(strings, (QStringList{"com.quorvel.Quorvel", path, "Aqua", "Interactive"}));
}

// XWayland on a Wayland session that has it; the user's own choice and X11 sessions untouched.
TEST(DesktopIntegrationTest, WaylandSessionsRunThroughXWaylandUnlessTheUserChose)
{
    using WindowSystem::Environment;
    const struct
    {
        Environment environment;
        std::optional<QString> forced;
    } cases[] = {
        {{"", "wayland-0", ":0", "wayland"}, "xcb"},
        {{"", "", ":0", "wayland"}, "xcb"},
        {{"", "wayland-0", ":1", ""}, "xcb"},
        {{"wayland", "wayland-0", ":0", "wayland"}, std::nullopt},
        {{"", "wayland-0", "", "wayland"}, std::nullopt}, // no XWayland: native is all there is
        {{"", "", ":0", "x11"}, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WindowSystem::pluginToForce(c.environment), c.forced)
            << c.environment.waylandDisplay.toStdString() << " " << c.environment.x11Display.toStdString();

    const Environment wayland{"", "wayland-0", ":0", "wayland"};
    EXPECT_TRUE(WindowSystem::describe("xcb", wayland).contains("XWayland"));
    EXPECT_TRUE(WindowSystem::describe("wayland", wayland).contains("may not keep"));
    EXPECT_EQ(WindowSystem::describe("xcb", {"", "", ":0", "x11"}), "Window system: xcb");
}

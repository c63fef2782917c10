#include "model/UserDefaults.h"

#include "support/RawSettings.h"
#include "support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

class UserDefaultsTest : public ::testing::Test
{
protected:
    QString iniPath() const { return m_dir.filePath(QStringLiteral("Quorvel.conf")); }

    std::unique_ptr<UserDefaults> open() const
    {
        auto settings = std::make_unique<UserDefaults>(iniPath());
        settings->registerApplicationDefaults();
        return settings;
    }

    void storeRaw(const char* key, const QVariant& value) const
    {
        storeRawSetting(iniPath(), key, value);
    }
    QString readRaw(const char* key) const { return readRawSetting(iniPath(), key).toString(); }

    TempDir m_dir;
};

} // namespace

// The stored-pattern migration depends on an absent value staying absent. (What is assigned is
// read back through a new watcher or server in their tests.)
TEST_F(UserDefaultsTest, ReadingAFreshInstallWritesNothing)
{
    const auto settings = open();
    EXPECT_EQ(settings->filenamePattern(), std::nullopt);
    EXPECT_FALSE(settings->remoteDisplayEnabled()) << "the server is off until asked for";
    EXPECT_FALSE(QFile::exists(iniPath()));
}

TEST_F(UserDefaultsTest, UnknownOrMistypedValuesReadAsDefaultsAndStayStored)
{
    storeRaw("dawSelection", "ProTools");
    storeRaw("showInDock", "banana");
    storeRaw("showNextTakeWhenIdle", "0");
    storeRaw("windowTheme", "neon");
    storeRaw("filenamePattern", QStringList{"a", "b"});

    const auto settings = open();
    EXPECT_EQ(settings->dawSelection(), DAWSelection::automatic());
    EXPECT_TRUE(settings->showInDock());
    EXPECT_TRUE(settings->showNextTakeWhenIdle());
    EXPECT_EQ(settings->windowTheme(), "paper");
    EXPECT_EQ(settings->filenamePattern(), std::nullopt);

    // Assigning one setting leaves the other unrecognised values alone.
    settings->setShowInDock(false);
    EXPECT_EQ(readRaw("dawSelection"), "ProTools");
    EXPECT_EQ(readRaw("windowTheme"), "neon");
    EXPECT_EQ(readRaw("showInDock"), "false");
}

TEST_F(UserDefaultsTest, NeverRewritesAFileItCannotParse)
{
    const QByteArray unreadable("[General]\nshowInDock=false\n\x01\x02\xff=\n[[[\nnotes=keep me\n");
    m_dir.write(QStringLiteral("Quorvel.conf"), unreadable);

    const auto settings = open();
    EXPECT_FALSE(settings->isPersistent());
    settings->setWindowTheme(QStringLiteral("poster"));
    settings->setShowNextTakeWhenIdle(false);

    // This run sees its own assignments...
    EXPECT_EQ(settings->windowTheme(), "poster");
    EXPECT_FALSE(settings->showNextTakeWhenIdle());
    // ...but the file is exactly as the user left it.
    QFile file(iniPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), unreadable);
}

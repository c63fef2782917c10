#include "remote/StateDocuments.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

// The served documents over sockets, the initial ones and updatedAt included, are checked in
// RemoteDisplayServerTest; these are the cases a state can be built for directly.

TEST(StateDocumentsTest, TakeNumberIsTheWholeTakeReadAsASigned64BitDecimal)
{
    // takeNumber as the document writes it (the last key when there is no updatedAt), or none.
    const auto number = [](const std::optional<QString>& take) {
        RemoteDisplayState state;
        state.take = take;
        const QByteArray json = StateDocuments::apiJSON(state, std::nullopt);
        const qsizetype at = json.indexOf("\"takeNumber\":");
        return at < 0 ? std::string("none") : json.mid(at + 13).chopped(1).toStdString();
    };
    // The parse itself, overflow included, is the watcher's too (FolderWatcherTest).
    const std::pair<const char*, const char*> numbers[] = {
        {"007", "7"},
        {"9223372036854775807", "9223372036854775807"},
        {"0x1F", "none"},
        {"\xd9\xa4\xd9\xa2", "none"}}; // Arabic-Indic digits
    for (const auto& [take, expected] : numbers)
        EXPECT_EQ(number(QString::fromUtf8(take)), expected) << "take " << take;
    EXPECT_EQ(number(std::nullopt), "none") << "no take";
}

TEST(StateDocumentsTest, FullStateGivesEveryKeyCompactAndSortedAndAbsentOnesNone)
{
    // The piece name needs escaping, and must not break out of its string.
    const QString piece = QString::fromUtf8("Gr\xc3\xb6\xc3\x9f"
                                            "e \"2\" \\ \",\"x\":\"");
    RemoteDisplayState state{"Session A", piece, "042", "Recording", true, "REAPER", true};
    // Two hours ahead of UTC, with milliseconds that must not show.
    const QDateTime pushed(QDate(2025, 3, 7), QTime(20, 4, 59, 789), Qt::OffsetFromUTC, 7200);
    EXPECT_EQ(StateDocuments::stateJSON(state).toStdString(),
              R"({"daw":"REAPER","hasTake":true,"piece":"Größe \"2\" \\ \",\"x\":\"",)"
              R"("project":"Session A","recording":true,"status":"Recording","take":"042"})");
    EXPECT_EQ(StateDocuments::apiJSON(state, pushed).toStdString(),
              R"({"api":1,"app":"Quorvel","appVersion":")" QUORVEL_VERSION
              R"(","daw":"REAPER","hasTake":true,"piece":"Größe \"2\" \\ \",\"x\":\"",)"
              R"("project":"Session A","recording":true,"status":"Recording","take":"042",)"
              R"("takeNumber":42,)"
              R"("updatedAt":"2025-03-07T18:04:59Z"})");
    // Without a project the key is left out, not written as null.
    state.project.reset();
    for (const QByteArray& json :
         {StateDocuments::stateJSON(state), StateDocuments::apiJSON(state, pushed)}) {
        EXPECT_TRUE(json.contains("\"piece\"") && !json.contains("\"project\"") &&
                    !json.contains("null"))
            << json.toStdString();
    }
}

} // namespace
} // namespace quorvel

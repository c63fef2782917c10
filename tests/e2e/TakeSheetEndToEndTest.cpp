// The take sheet end to end: the real `quorvel --headless` keeps a sheet of what quorvel-simulate
// records, and `quorvel --export-takes -` prints it.
#include "e2e/ChildProcess.h"
#include "support/TempDir.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

using namespace quorvel::test;
using namespace std::chrono_literals;

namespace {

constexpr auto deadline = 60s;

// The exported rows after the header, each split into its fields (the fields compared here hold
// no commas).
QList<QStringList> exportedRows(const QProcessEnvironment& environment)
{
    QProcess exporter;
    exporter.setProcessEnvironment(environment);
    exporter.start(QStringLiteral(QUORVEL_PROGRAM), {"--export-takes", "-"});
    EXPECT_TRUE(exporter.waitForFinished(30'000));
    EXPECT_EQ(exporter.exitCode(), 0) << exporter.readAllStandardError().toStdString();
    QList<QStringList> rows;
    const QStringList lines = QString::fromUtf8(exporter.readAllStandardOutput()).split("\r\n");
    for (const QString& line : lines.mid(1)) {
        if (!line.isEmpty())
            rows << line.split(u',');
    }
    return rows;
}

// Columns of the export: take is the first, length_seconds the seventh.
constexpr int takeColumn = 0;
constexpr int lengthColumn = 6;

TEST(TakeSheetEndToEndTest, ASessionOfThreeTakesExportsThreeRowsWithTheirLengths)
{
    TempDir work;
    const QProcessEnvironment environment = pinnedEnvironment(work, "reaper");
    ChildProcess quorvel(QStringLiteral(QUORVEL_PROGRAM), {"--headless", "--json"}, environment);
    ASSERT_TRUE(quorvel.waitForObject([](const QJsonObject&) { return true; }, deadline))
        << quorvel.standardError();
    ChildProcess simulator(QStringLiteral(QUORVEL_SIMULATE_PROGRAM),
                           {"reaper", "--folder", work.filePath("Concert"), "--takes", "3",
                            "--first-take", "5", "--take-seconds", "4"});
    ASSERT_EQ(simulator.waitForExit(120s), 0) << simulator.standardError();
    ASSERT_TRUE(waitForTake(quorvel, "8", false, deadline)) << quorvel.printed();

    const auto rows = exportedRows(environment);
    ASSERT_EQ(rows.size(), 3) << quorvel.printed();
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(rows[i].join(u',').toStdString());
        EXPECT_EQ(rows[i][takeColumn], QString::number(7 - i)) << "newest first";
        // From the moment recording was seen to the take's last write: the simulated 4 s, less
        // the moment it took to notice.
        EXPECT_NEAR(rows[i][lengthColumn].toDouble(), 4.0, 1.0);
    }
}

TEST(TakeSheetEndToEndTest, APassCutShortByAKillIsClosedAtTheNextStart)
{
    TempDir work;
    const QProcessEnvironment environment = pinnedEnvironment(work, "reaper");
    {
        ChildProcess quorvel(QStringLiteral(QUORVEL_PROGRAM), {"--headless", "--json"}, environment);
        ASSERT_TRUE(quorvel.waitForObject([](const QJsonObject&) { return true; }, deadline));
        ChildProcess simulator(QStringLiteral(QUORVEL_SIMULATE_PROGRAM),
                               {"reaper", "--folder", work.filePath("Concert"), "--takes", "1",
                                "--first-take", "12", "--take-seconds", "6"});
        ASSERT_TRUE(waitForTake(quorvel, "12", true, deadline)) << quorvel.printed();
        // The pass reaches the sheet just after the state is printed; the kill comes once it has.
        ASSERT_TRUE(pollUntil([&] { return exportedRows(environment).size() == 1; }, deadline));
        quorvel.sendSignal(SIGKILL);
        quorvel.waitForExit(deadline);
        ASSERT_EQ(simulator.waitForExit(120s), 0) << simulator.standardError();
    }
    const auto open = exportedRows(environment);
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(open[0][lengthColumn], QString()) << "still open after the kill";

    ChildProcess restarted(QStringLiteral(QUORVEL_PROGRAM), {"--headless", "--json"}, environment);
    ASSERT_TRUE(restarted.waitForObject([](const QJsonObject&) { return true; }, deadline));
    const auto closed = exportedRows(environment);
    ASSERT_EQ(closed.size(), 1);
    EXPECT_EQ(closed[0][takeColumn], "12");
    // Closed at the take file's last write, which came after the kill.
    EXPECT_NEAR(closed[0][lengthColumn].toDouble(), 6.0, 1.0) << closed[0].join(u',').toStdString();
}

} // namespace

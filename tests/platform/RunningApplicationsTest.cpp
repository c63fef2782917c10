#include "platform/RunningApplications.h"

#include "platform/HeldFiles.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>

using namespace quorvel;
using quorvel::test::HeldFiles;
using quorvel::test::TempDir;
using quorvel::test::uniqueCommandName;

namespace {

const RunningApplication* find(const std::vector<RunningApplication>& apps, const QString& name)
{
    auto it = std::find_if(apps.begin(), apps.end(),
                           [&name](const auto& app) { return app.localizedName == name; });
    return it == apps.end() ? nullptr : &*it;
}

QString ownCommandName()
{
    QFile comm(QStringLiteral("/proc/self/comm"));
    if (!comm.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(comm.readAll()).trimmed();
}

} // namespace

TEST(RunningApplicationsTest, ListsProcessesByCommandNameAsRegularApplications)
{
    TempDir dir;
    const QString name = uniqueCommandName("qvr");
    HeldFiles held(name, dir.path());
    ASSERT_TRUE(held.isReady());

    const auto apps = RunningApplications::current();
    const RunningApplication* app = find(apps, name);
    ASSERT_NE(app, nullptr) << name.toStdString();
    EXPECT_TRUE(app->isRegular);
    EXPECT_FALSE(app->bundleIdentifier.has_value());
    EXPECT_NE(find(apps, ownCommandName()), nullptr) << ownCommandName().toStdString();

    held.finish();
    EXPECT_EQ(find(RunningApplications::current(), name), nullptr);
}

TEST(RunningApplicationsTest, LeavesOutKernelThreads)
{
    // kthreadd (process 2 outside a process namespace) is the kernel's own; run as root it would
    // otherwise count as one of the user's applications.
    QFile stat(QStringLiteral("/proc/2/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "process 2 not visible";
    const QByteArray text = stat.readAll();
    const qsizetype open = text.indexOf('(');
    const qsizetype close = text.lastIndexOf(')');
    ASSERT_TRUE(open >= 0 && close > open) << text.constData();
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    ASSERT_GT(fields.size(), 6) << text.constData();
    if (!(fields[6].toULong() & 0x00200000))
        GTEST_SKIP() << "process 2 is no kernel thread here";
    const QString kernelName = QString::fromUtf8(text.mid(open + 1, close - open - 1));

    const auto apps = RunningApplications::current();
    EXPECT_EQ(find(apps, kernelName), nullptr) << kernelName.toStdString();
}

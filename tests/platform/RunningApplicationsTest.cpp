#include "platform/RunningApplications.h"

#include "platform/FileFixtures.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>

using namespace quorvel;
using namespace quorvel::test;

namespace {

std::optional<RunningApplication> find(const QString& name)
{
    const auto apps = RunningApplications::current();
    const auto it = std::find_if(apps.begin(), apps.end(),
                                 [&name](const auto& app) { return app.localizedName == name; });
    return it == apps.end() ? std::nullopt : std::optional(*it);
}

} // namespace

TEST(RunningApplicationsTest, ListsProcessesByCommandNameAsRegularApplications)
{
    const QString name = uniqueCommandName("qvr");
    HeldFiles held(name, {});
    ASSERT_TRUE(held.isReady());
    const auto app = find(name);
    ASSERT_TRUE(app) << name.toStdString();
    EXPECT_TRUE(app->isRegular);
    EXPECT_FALSE(app->bundleIdentifier);
    held.finish();
    EXPECT_FALSE(find(name)) << name.toStdString() << " after it ended";
}

TEST(RunningApplicationsTest, LeavesOutKernelThreads)
{
    // kthreadd (process 2 outside a process namespace) is the kernel's own; run as root it would
    // otherwise count as one of the user's applications.
    QFile comm(QStringLiteral("/proc/2/comm"));
    if (!comm.open(QIODevice::ReadOnly) || comm.readAll() != "kthreadd\n")
        GTEST_SKIP() << "kthreadd not visible";
    EXPECT_FALSE(find(QStringLiteral("kthreadd")));
}

// The announcement with the real DNS-SD library and no responder to reach: Avahi's library is
// pointed at a system bus that does not exist, whatever runs on this machine. It has to report
// the failure, quickly and without crashing.
#include "platform/ServiceAnnouncement.h"

#include "support/Poll.h"
#include "ui/QtPrinters.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

using State = ServiceAnnouncement::State;

class ServiceAnnouncementTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        // libdbus reads the address once per process, at the first connection; every test here
        // runs before any connection is made with it.
        static QTemporaryDir empty;
        qputenv("DBUS_SYSTEM_BUS_ADDRESS",
                "unix:path=" + QFile::encodeName(empty.filePath(QStringLiteral("no-bus"))));
    }

    static ServiceAnnouncement::Service page(quint16 port)
    {
        return {QStringLiteral("Quorvel on test"), "_http._tcp", port, {{"path", "/"}}};
    }
};

// Asked for, it is pending at once and then reports that no responder answered; the retries that
// follow report nothing new. Withdrawing ends it.
TEST_F(ServiceAnnouncementTest, WithoutAResponderTheFailureIsReportedOnceAndRetriedQuietly)
{
    ServiceAnnouncement announcement(nullptr, std::chrono::milliseconds(50));
    QSignalSpy changes(&announcement, &ServiceAnnouncement::statusChanged);
    announcement.announce(page(8787));
    EXPECT_EQ(announcement.status().state, State::pending);
    EXPECT_EQ(announcement.status().name, "Quorvel on test");
    ASSERT_TRUE(pollUntil([&] { return announcement.status().state != State::pending; }));
    const ServiceAnnouncement::Status expected{State::noResponder, "Quorvel on test", -65537};
    EXPECT_EQ(announcement.status(), expected) << "state " << int(announcement.status().state)
                                               << ", error " << announcement.status().error;

    // Ten retry intervals: each retry fails the same way and changes nothing.
    processEventsFor(std::chrono::milliseconds(500));
    EXPECT_EQ(announcement.status(), expected);
    EXPECT_EQ(changes.count(), 2);

    // The same service again is not a new request; another port is.
    announcement.announce(page(8787));
    EXPECT_EQ(changes.count(), 2);
    announcement.announce(page(8788));
    EXPECT_EQ(announcement.status().state, State::pending);
    EXPECT_EQ(announcement.service().port, 8788);
    ASSERT_TRUE(pollUntil([&] { return announcement.status().state == State::noResponder; }));

    announcement.withdraw();
    EXPECT_EQ(announcement.status(), ServiceAnnouncement::Status());
    processEventsFor(std::chrono::milliseconds(200));
    EXPECT_EQ(announcement.status(), ServiceAnnouncement::Status())
        << "a retry outlived withdraw()";
}

// The answer to a request overtaken by a withdrawal, or by the owner's end, arrives after it and
// must change nothing.
TEST_F(ServiceAnnouncementTest, AnAnswerToAWithdrawnRequestIsThrownAway)
{
    ServiceAnnouncement announcement;
    QSignalSpy changes(&announcement, &ServiceAnnouncement::statusChanged);
    announcement.announce(page(8787));
    announcement.withdraw();
    processEventsFor(std::chrono::milliseconds(300));
    EXPECT_EQ(announcement.status(), ServiceAnnouncement::Status());
    EXPECT_EQ(changes.count(), 2); // pending, then off

    for (int i = 0; i < 10; ++i) {
        auto shortLived = std::make_unique<ServiceAnnouncement>();
        shortLived->announce(page(quint16(9000 + i)));
    }
    processEventsFor(std::chrono::milliseconds(300));
}

} // namespace

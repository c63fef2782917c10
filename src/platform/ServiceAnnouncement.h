#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace quorvel {

// Announces one service on the local network through the system's DNS-SD responder (mDNSResponder
// on macOS, avahi-daemon through Avahi's compatibility library on Linux), so that devices can
// find it by name, and so that we know whether anything answers mDNS for this machine at all.
//
// Asking the responder may block (Avahi's library makes blocking D-Bus calls), so each request is
// made on a short-lived thread of its own; the replies are read on the owner's thread from its
// event loop. A request that fails, or a registration the responder drops later (it stopped or
// restarted), is tried again every retry interval until it is withdrawn, so starting the responder
// later is noticed by itself. Main thread only (the thread that created it).
class ServiceAnnouncement : public QObject
{
    Q_OBJECT

public:
    enum class State {
        off,         // nothing announced
        pending,     // asked for; the responder has not confirmed it yet
        registered,  // the responder confirmed it under Status::name
        noResponder, // no responder could be reached (none running)
        nameTaken,   // another service on this machine holds the name (Avahi does not rename
                     // around those, only around ones elsewhere on the network)
        failed,      // the responder turned it down (Status::error says why)
    };

    struct Status
    {
        State state = State::off;
        // The name asked for; once registered, the one the responder took, which differs when it
        // had to rename the service because another on the network had the name.
        QString name;
        // The DNS-SD error code behind noResponder, nameTaken and failed; 0 otherwise.
        std::int32_t error = 0;
        friend bool operator==(const Status&, const Status&) = default;
    };

    struct Service
    {
        QString name;    // at most 63 bytes of UTF-8
        QByteArray type; // "_http._tcp"
        quint16 port = 0;
        std::vector<std::pair<QByteArray, QByteArray>> txt; // key=value entries of the TXT record
        friend bool operator==(const Service&, const Service&) = default;
    };

    static constexpr std::chrono::milliseconds defaultRetryInterval{10'000};

    explicit ServiceAnnouncement(QObject* parent = nullptr,
                                 std::chrono::milliseconds retryInterval = defaultRetryInterval);
    // Withdraws the announcement; no status is reported from here on.
    ~ServiceAnnouncement() override;
    ServiceAnnouncement(const ServiceAnnouncement&) = delete;
    ServiceAnnouncement& operator=(const ServiceAnnouncement&) = delete;

    // Announces service in place of whatever was announced before (reported as pending at once);
    // does nothing while the same service is already announced or being asked for.
    void announce(const Service& service);
    // Takes the announcement off the network (reported as off at once); does nothing when there
    // is none.
    void withdraw();

    Status status() const { return m_status; }
    // What announce() was last given; empty after withdraw().
    const Service& service() const { return m_service; }

Q_SIGNALS:
    // After every change of status(), also from inside announce() and withdraw().
    void statusChanged();

private:
    struct Registration;
    struct Shared;

    void request();
    void requestDone(std::uint64_t generation, std::shared_ptr<Registration> registration,
                     std::int32_t error);
    void readReply();
    void drop();
    void fail(std::int32_t error);
    void setStatus(const Status& status);

    std::chrono::milliseconds m_retryInterval;
    Service m_service;
    Status m_status;
    // Counts requests, so that the answer to one overtaken by a later request or a withdrawal
    // is recognised and thrown away.
    std::uint64_t m_generation = 0;
    std::shared_ptr<Registration> m_registration;
    QSocketNotifier* m_replies = nullptr;
    QTimer* m_retry = nullptr;
    std::shared_ptr<Shared> m_shared;
};

} // namespace quorvel

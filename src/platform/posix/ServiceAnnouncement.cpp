// The DNS-SD C API (dns_sd.h) behind ServiceAnnouncement: macOS has it in libSystem, Linux gets
// it from Avahi's compatibility library, libdns_sd.
#include "platform/ServiceAnnouncement.h"

#include "model/HandOver.h"

#include <QSocketNotifier>
#include <QTimer>
#include <QtEndian>

#include <dns_sd.h>
#include <mutex>
#include <thread>

namespace quorvel {

namespace {

// Apple's code for "no daemon running" (apple-oss-distributions/mDNSResponder,
// mDNSShared/dns_sd.h, the kDNSServiceErr_* enumeration). Avahi's dns_sd.h predates it and does
// not define it; Avahi reports a missing avahi-daemon (or a missing system bus) as
// kDNSServiceErr_Unknown instead (avahi/avahi, avahi-compat-libdns_sd/compat.c, map_error():
// AVAHI_ERR_NO_DAEMON and AVAHI_ERR_DBUS_ERROR fall through to kDNSServiceErr_Unknown).
constexpr DNSServiceErrorType serviceNotRunning = -65563;

ServiceAnnouncement::State failureState(DNSServiceErrorType error)
{
    using State = ServiceAnnouncement::State;
    if (error == kDNSServiceErr_Unknown || error == serviceNotRunning)
        return State::noResponder;
    // Avahi reports a name held by another client of the same daemon this way instead of
    // renaming (compat.c, map_error(): AVAHI_ERR_LOCAL_COLLISION).
    if (error == kDNSServiceErr_NameConflict)
        return State::nameTaken;
    return State::failed;
}

// Avahi's compatibility library prints a three-line warning to stderr (and syslog) the first
// time a program calls into it, unless AVAHI_COMPAT_NOWARN is set to anything: it tests only
// getenv("AVAHI_COMPAT_NOWARN") != NULL, once per process (avahi/avahi,
// avahi-compat-libdns_sd/warn.c, avahi_warn_linkage()). Apple's library ignores the variable.
void silenceAvahiCompatWarning()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (!qEnvironmentVariableIsSet("AVAHI_COMPAT_NOWARN"))
            qputenv("AVAHI_COMPAT_NOWARN", "1");
    });
}

} // namespace

// One registration with the responder: owns the DNSServiceRef (deallocating it withdraws the
// service) and holds the latest reply until the owner reads it.
struct ServiceAnnouncement::Registration
{
    DNSServiceRef ref = nullptr;
    bool replied = false;
    DNSServiceErrorType replyError = kDNSServiceErr_NoError;
    QString replyName;

    Registration() = default;
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;
    ~Registration()
    {
        if (ref)
            DNSServiceRefDeallocate(ref);
    }

    // Runs inside DNSServiceProcessResult on the owner's thread. It only records the reply: the
    // owner acts on it once DNSServiceProcessResult has returned, so nothing it does in turn
    // (withdrawing, announcing again) runs inside the library.
    static void DNSSD_API onReply(DNSServiceRef, DNSServiceFlags, DNSServiceErrorType error,
                                  const char* name, const char*, const char*, void* context)
    {
        auto* registration = static_cast<Registration*>(context);
        registration->replied = true;
        registration->replyError = error;
        if (name)
            registration->replyName = QString::fromUtf8(name);
    }
};

// What the request threads share with the owner: the owner while it lives, cleared by its
// destructor under the lock, so a thread never hands a result to a destroyed owner.
struct ServiceAnnouncement::Shared
{
    std::mutex lock;
    ServiceAnnouncement* owner = nullptr;
};

ServiceAnnouncement::ServiceAnnouncement(QObject* parent, std::chrono::milliseconds retryInterval)
    : QObject(parent), m_retryInterval(retryInterval), m_retry(new QTimer(this)),
      m_shared(std::make_shared<Shared>())
{
    silenceAvahiCompatWarning();
    m_shared->owner = this;
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, [this] { request(); });
}

ServiceAnnouncement::~ServiceAnnouncement()
{
    {
        std::lock_guard lock(m_shared->lock);
        m_shared->owner = nullptr;
    }
    drop();
}

void ServiceAnnouncement::announce(const Service& service)
{
    if (service == m_service && m_status.state != State::off)
        return;
    drop();
    m_service = service;
    setStatus({State::pending, service.name, 0});
    request();
}

void ServiceAnnouncement::withdraw()
{
    drop();
    m_service = {};
    setStatus({});
}

void ServiceAnnouncement::drop()
{
    ++m_generation;
    m_retry->stop();
    if (m_replies) {
        // This may run from inside the notifier's own signal, so it is only switched off here.
        m_replies->setEnabled(false);
        m_replies->deleteLater();
        m_replies = nullptr;
    }
    m_registration.reset();
}

void ServiceAnnouncement::request()
{
    const std::uint64_t generation = ++m_generation;
    QByteArray name = m_service.name.toUtf8();
    QByteArray type = m_service.type;
    const quint16 port = m_service.port;
    const auto txt = m_service.txt;
    auto registration = std::make_shared<Registration>();
    std::thread([shared = m_shared, generation, registration, name, type, port, txt] {
        TXTRecordRef record;
        TXTRecordCreate(&record, 0, nullptr);
        for (const auto& [key, value] : txt) {
            TXTRecordSetValue(&record, key.constData(), static_cast<uint8_t>(value.size()),
                              value.constData());
        }
        // Avahi turns down any flag (compat.c, DNSServiceRegister()), and renaming on a
        // conflict is what both responders do without one.
        const DNSServiceErrorType error = DNSServiceRegister(
            &registration->ref, 0, kDNSServiceInterfaceIndexAny, name.constData(), type.constData(),
            nullptr, nullptr, qToBigEndian(port), TXTRecordGetLength(&record),
            TXTRecordGetBytesPtr(&record), &Registration::onReply, registration.get());
        TXTRecordDeallocate(&record);
        if (error != kDNSServiceErr_NoError)
            registration->ref = nullptr;

        std::lock_guard lock(shared->lock);
        if (!shared->owner)
            return; // the last reference goes with this thread and withdraws the service
        ServiceAnnouncement* owner = shared->owner;
        // Dropped unrun with the owner, the work's copy is the last reference and withdraws.
        handOver(owner, [owner, generation, registration, error] {
            owner->requestDone(generation, registration, error);
        });
    }).detach();
}

void ServiceAnnouncement::requestDone(std::uint64_t generation,
                                      std::shared_ptr<Registration> registration,
                                      std::int32_t error)
{
    if (generation != m_generation)
        return;
    if (error != kDNSServiceErr_NoError) {
        fail(error);
        return;
    }
    m_registration = std::move(registration);
    m_replies =
        new QSocketNotifier(DNSServiceRefSockFD(m_registration->ref), QSocketNotifier::Read, this);
    connect(m_replies, &QSocketNotifier::activated, this, [this] { readReply(); });
}

void ServiceAnnouncement::readReply()
{
    const std::shared_ptr<Registration> registration = m_registration;
    if (!registration)
        return;
    const DNSServiceErrorType error = DNSServiceProcessResult(registration->ref);
    if (error != kDNSServiceErr_NoError) {
        // The connection to the responder is gone.
        fail(error);
        return;
    }
    if (!registration->replied)
        return;
    registration->replied = false;
    if (registration->replyError != kDNSServiceErr_NoError) {
        fail(registration->replyError);
        return;
    }
    setStatus({State::registered, registration->replyName, 0});
}

void ServiceAnnouncement::fail(std::int32_t error)
{
    drop();
    setStatus({failureState(error), m_service.name, error});
    m_retry->start(m_retryInterval);
}

void ServiceAnnouncement::setStatus(const Status& status)
{
    if (status == m_status)
        return;
    m_status = status;
    Q_EMIT statusChanged();
}

} // namespace quorvel

#pragma once

#include "model/DAWProvider.h"
#include "platform/RunningApplications.h"
#include "providers/FileTime.h"

#include <QByteArrayView>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace quorvel {

// Detects Ardour. Ardour records each track's channels into files of their own in the session's
// interchange/<session>/audiofiles folder and keeps them open. With the session option "Prefix
// Take Name" on, every file of a pass starts with the take name ("Take3_Gtr-1.wav"), whose number
// Ardour counts up after each pass: that number is the take. With it off, a file carries only its
// track's own running count ("Gtr-3.wav"), and the take is derived from the tracks' counts by the
// user's rule, as for the other per-track DAWs. Recording while the newest file was written within
// the window. Between scans it keeps only a cache of the session file's options.
class ArdourProvider final : public DAWProvider
{
public:
    ArdourProvider();

    DAWId id() const override { return DAWId::ardour; }
    QString displayName() const override;
    QString defaultFilenamePattern() const override;
    bool isRunning() const override;
    DAWSnapshot scan(const DAWScanContext& context) const override;

    static bool isRunningAmong(const std::vector<RunningApplication>& applications);
    // Ardour's GUI program: "ardour-" and a version, never one of its helper programs.
    static bool matches(const RunningApplication& application);

    // One recorded file's name taken apart; no value for a name Ardour's recorder does not write.
    struct ParsedName
    {
        QByteArray base;            // the name before "-N": stands for one track's recordings
        qint64 counter = 0;         // the "-N" after the base
        std::optional<qint64> take; // the take name's number, when the name has a take prefix
    };
    static std::optional<ParsedName> parseName(QByteArrayView filename);

    // What a session file says about naming; absent options are unknown.
    struct SessionOptions
    {
        std::optional<bool> prefixTakeName;
        friend bool operator==(const SessionOptions&, const SessionOptions&) = default;
    };
    static SessionOptions readSessionOptions(const QString& sessionFile);

    // The session file next to an audiofiles folder, and that the session's name.
    struct Session
    {
        QString folder; // the session folder
        QString name;
        std::optional<QString> file; // <folder>/<name>.ardour or the newest .ardour there
    };
    static std::optional<Session> sessionOf(const QString& audioFolder);

    using OptionsSource = std::function<SessionOptions(const QString& sessionFile)>;
    // One detection from its inputs; lists the folder it settles on. Never fails.
    static DAWSnapshot detect(const DAWScanContext& context, const QStringList& openFiles,
                              FileTime now, const OptionsSource& options = {});

private:
    struct OptionsCache
    {
        std::mutex lock;
        QString path;
        FileTime modified = distantPast;
        SessionOptions options;
    };
    std::shared_ptr<OptionsCache> m_options = std::make_shared<OptionsCache>();
};

} // namespace quorvel

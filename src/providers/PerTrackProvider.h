#pragma once

#include "model/DAWProvider.h"
#include "platform/RunningApplications.h"
#include "providers/FileTime.h"

#include <QStringList>

#include <optional>
#include <vector>

namespace quorvel {

// Detects a DAW that numbers takes per track (Logic Pro, Pro Tools, Nuendo, Cubase): every
// track's files carry that track's own running take number, so tracks may disagree. Each scan
// parses the take number out of the audio files the DAW has open, keeps the highest per track and
// derives one number for the session by the user's rule (the most common, or the highest). It
// never lists the media folder: the open files are the whole picture. One instance per DAW, told
// apart only by its configuration; no state between scans.
class PerTrackProvider final : public DAWProvider
{
public:
    struct Configuration
    {
        DAWId id = DAWId::logic;
        QString displayName;
        QString defaultFilenamePattern; // capture group 1 is the per-track take number
        QStringList bundleIdentifiers;  // prefixes, case-sensitive
        QStringList processNames;       // prefixes of the application name, case-sensitive
        QString lsofCommandFilter;
        QString mediaSubfolderName; // the DAW's name for a project's audio folder
    };

    explicit PerTrackProvider(Configuration configuration);

    DAWId id() const override { return m_configuration.id; }
    QString displayName() const override { return m_configuration.displayName; }
    QString defaultFilenamePattern() const override
    {
        return m_configuration.defaultFilenamePattern;
    }
    bool isRunning() const override;
    DAWSnapshot scan(const DAWScanContext& context) const override;

    const Configuration& configuration() const { return m_configuration; }

    bool isRunningAmong(const std::vector<RunningApplication>& applications) const;
    // Whether the application is this DAW: by bundle identifier, or by a program name that
    // begins with one of the DAW's names.
    bool matches(const RunningApplication& application) const;

    // One detection from its inputs; reads the dates of the open files inside the effective
    // folder from the file system. Never fails.
    DAWSnapshot detect(const DAWScanContext& context, const QStringList& openFiles,
                       FileTime now) const;

    struct TakeIndex
    {
        QString token; // the whole match; the track is the name before its last occurrence
        qint64 number; // capture group 1
    };
    static std::optional<TakeIndex> parseTakeIndex(const QString& filename,
                                                   const CompiledPattern& pattern);

    // The track part of a file name: what precedes the last occurrence of token, trimmed of
    // horizontal white space; the whole name when token does not occur.
    static QString trackName(const QString& filename, const QString& token);

    // mode: the value most entries share, the higher on a tie; max: the highest. 0 for none.
    static qint64 deriveTake(const std::vector<qint64>& values, TakeDerivation rule);

    std::optional<QString> resolveProjectName(const std::optional<QString>& effectiveFolder) const;

private:
    Configuration m_configuration;
};

} // namespace quorvel

#pragma once

#include "model/DAWSelection.h"
#include "model/FolderMode.h"
#include "model/TakeDerivation.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

class QSettings;

namespace quorvel {

// The user's settings: a typed layer over QSettings with registered defaults and a change signal.
// The native store is CFPreferences on macOS and $XDG_CONFIG_HOME/Quorvel/Quorvel.conf on Linux.
//
// Reads never fail: a missing value, a value of the wrong type or an unknown text reads as the
// registered default, else the key's own default, and stays in storage untouched until that
// setting is next assigned. A store that cannot be parsed is never rewritten: writes then live in
// memory for this run only. Main thread only.
class UserDefaults : public QObject
{
    Q_OBJECT

public:
    // The user's native store.
    explicit UserDefaults(QObject* parent = nullptr);
    // An INI file at path; for tests and tools that must not touch the user's settings.
    explicit UserDefaults(const QString& iniPath, QObject* parent = nullptr);
    ~UserDefaults() override;

    // Values that a missing key reads as. Not persisted.
    void registerDefaults(const QVariantMap& defaults);
    // The application's registered defaults: Dock icon shown, next take shown, paper theme.
    void registerApplicationDefaults();

    // False when the stored file could not be parsed, so that writes are kept in memory only.
    bool isPersistent() const { return !m_unparseable; }
    // Where the settings live, for diagnostics and the README.
    QString location() const;

    // Generic access; the typed members below are what the rest of the program uses.
    std::optional<QString> text(QLatin1String key) const;
    bool boolean(QLatin1String key) const;
    void setText(QLatin1String key, const QString& value);
    void setBoolean(QLatin1String key, bool value);

    std::optional<QString> filenamePattern() const;
    bool showNextTakeWhenIdle() const;
    DAWSelection dawSelection() const;
    TakeDerivation takeDerivation() const;
    bool remoteDisplayEnabled() const;
    bool remoteDisplayKeyRequired() const;
    // The remote display's access key as stored; none before one was made.
    std::optional<QString> remoteDisplayKey() const;
    FolderMode folderMode() const;
    std::optional<QString> manualFolderPath() const;
    bool showInDock() const;
    bool openFloatingWindowOnStartup() const;
    // "paper" or "poster"; any other stored text reads as "paper".
    QString windowTheme() const;

    void setFilenamePattern(const QString& pattern);
    void setShowNextTakeWhenIdle(bool value);
    void setDAWSelection(const DAWSelection& selection);
    void setTakeDerivation(TakeDerivation derivation);
    void setRemoteDisplayEnabled(bool value);
    void setRemoteDisplayKeyRequired(bool value);
    void setRemoteDisplayKey(const QString& key);
    void setFolderMode(FolderMode mode);
    void setManualFolderPath(const QString& path);
    void setShowInDock(bool value);
    void setOpenFloatingWindowOnStartup(bool value);
    void setWindowTheme(const QString& theme);

Q_SIGNALS:
    // After any assignment through this object, with the key assigned.
    void changed(const QString& key);

private:
    QVariant stored(QLatin1String key) const;
    void store(QLatin1String key, const QVariant& value);

    std::unique_ptr<QSettings> m_settings;
    QVariantMap m_registered;
    QVariantMap m_unsaved; // writes kept in memory while the file is unparseable
    bool m_unparseable = false;
};

} // namespace quorvel

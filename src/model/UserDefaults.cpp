#include "model/UserDefaults.h"

#include "model/SettingsKey.h"

#include <QSettings>

namespace quorvel {

namespace {

std::optional<bool> asBoolean(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text == QLatin1String("true"))
            return true;
        if (text == QLatin1String("false"))
            return false;
    }
    return std::nullopt;
}

std::optional<QString> asText(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    return std::nullopt;
}

} // namespace

UserDefaults::UserDefaults(QObject* parent)
    : QObject(parent),
      m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("Quorvel"), QStringLiteral("Quorvel")))
{
    m_unparseable = m_settings->status() == QSettings::FormatError;
}

UserDefaults::UserDefaults(const QString& iniPath, QObject* parent)
    : QObject(parent), m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{
    m_unparseable = m_settings->status() == QSettings::FormatError;
}

UserDefaults::~UserDefaults() = default;

void UserDefaults::registerDefaults(const QVariantMap& defaults)
{
    for (auto it = defaults.begin(); it != defaults.end(); ++it)
        m_registered.insert(it.key(), it.value());
}

void UserDefaults::registerApplicationDefaults()
{
    registerDefaults({
        {SettingsKey::showInDock, true},
        {SettingsKey::showNextTakeWhenIdle, true},
        {SettingsKey::windowTheme, QStringLiteral("paper")},
        {SettingsKey::keepTakeSheet, true},
    });
}

QString UserDefaults::location() const
{
    return m_settings->fileName();
}

QVariant UserDefaults::stored(QLatin1String key) const
{
    const QString name(key);
    if (m_unsaved.contains(name))
        return m_unsaved.value(name);
    return m_settings->value(name);
}

void UserDefaults::store(QLatin1String key, const QVariant& value)
{
    const QString name(key);
    if (m_unparseable) {
        m_unsaved.insert(name, value);
    } else {
        m_settings->setValue(name, value);
        m_settings->sync();
        // A file that turned unreadable behind our back is not overwritten from now on.
        if (m_settings->status() == QSettings::FormatError) {
            m_unparseable = true;
            m_unsaved.insert(name, value);
        }
    }
    Q_EMIT changed(name);
}

std::optional<QString> UserDefaults::text(QLatin1String key) const
{
    if (auto value = asText(stored(key)))
        return value;
    return asText(m_registered.value(QString(key)));
}

bool UserDefaults::boolean(QLatin1String key) const
{
    if (auto value = asBoolean(stored(key)))
        return *value;
    return asBoolean(m_registered.value(QString(key))).value_or(false);
}

void UserDefaults::setText(QLatin1String key, const QString& value)
{
    store(key, value);
}

void UserDefaults::setBoolean(QLatin1String key, bool value)
{
    store(key, value);
}

std::optional<QString> UserDefaults::filenamePattern() const
{
    return text(SettingsKey::filenamePattern);
}

bool UserDefaults::showNextTakeWhenIdle() const
{
    return boolean(SettingsKey::showNextTakeWhenIdle);
}

DAWSelection UserDefaults::dawSelection() const
{
    return DAWSelection::fromPersistedText(text(SettingsKey::dawSelection));
}

TakeDerivation UserDefaults::takeDerivation() const
{
    return takeDerivationFromPersistedText(text(SettingsKey::takeDerivation));
}

bool UserDefaults::remoteDisplayEnabled() const
{
    return boolean(SettingsKey::remoteDisplayEnabled);
}

bool UserDefaults::remoteDisplayKeyRequired() const
{
    return boolean(SettingsKey::remoteDisplayKeyRequired);
}

std::optional<QString> UserDefaults::remoteDisplayKey() const
{
    return text(SettingsKey::remoteDisplayKey);
}

FolderMode UserDefaults::folderMode() const
{
    const auto stored = text(SettingsKey::folderMode);
    return stored ? folderModeFromRawValue(*stored).value_or(FolderMode::automatic)
                  : FolderMode::automatic;
}

std::optional<QString> UserDefaults::manualFolderPath() const
{
    return text(SettingsKey::manualFolderPath);
}

bool UserDefaults::showInDock() const
{
    return boolean(SettingsKey::showInDock);
}

bool UserDefaults::openFloatingWindowOnStartup() const
{
    // Not registered: the window opens unless the user turned that off.
    if (auto value = asBoolean(stored(SettingsKey::openFloatingWindowOnStartup)))
        return *value;
    return asBoolean(m_registered.value(QString(SettingsKey::openFloatingWindowOnStartup)))
        .value_or(true);
}

QString UserDefaults::windowTheme() const
{
    const auto theme = text(SettingsKey::windowTheme);
    if (theme && (*theme == QLatin1String("paper") || *theme == QLatin1String("poster")))
        return *theme;
    return QStringLiteral("paper");
}

void UserDefaults::setFilenamePattern(const QString& pattern)
{
    setText(SettingsKey::filenamePattern, pattern);
}

void UserDefaults::setShowNextTakeWhenIdle(bool value)
{
    setBoolean(SettingsKey::showNextTakeWhenIdle, value);
}

void UserDefaults::setDAWSelection(const DAWSelection& selection)
{
    setText(SettingsKey::dawSelection, selection.persistedText());
}

void UserDefaults::setTakeDerivation(TakeDerivation derivation)
{
    setText(SettingsKey::takeDerivation, rawValue(derivation));
}

void UserDefaults::setRemoteDisplayEnabled(bool value)
{
    setBoolean(SettingsKey::remoteDisplayEnabled, value);
}

void UserDefaults::setRemoteDisplayKeyRequired(bool value)
{
    setBoolean(SettingsKey::remoteDisplayKeyRequired, value);
}

void UserDefaults::setRemoteDisplayKey(const QString& key)
{
    setText(SettingsKey::remoteDisplayKey, key);
}

void UserDefaults::setFolderMode(FolderMode mode)
{
    setText(SettingsKey::folderMode, rawValue(mode));
}

void UserDefaults::setManualFolderPath(const QString& path)
{
    setText(SettingsKey::manualFolderPath, path);
}

void UserDefaults::setShowInDock(bool value)
{
    setBoolean(SettingsKey::showInDock, value);
}

void UserDefaults::setOpenFloatingWindowOnStartup(bool value)
{
    setBoolean(SettingsKey::openFloatingWindowOnStartup, value);
}

void UserDefaults::setWindowTheme(const QString& theme)
{
    setText(SettingsKey::windowTheme, theme);
}

} // namespace quorvel

#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>

namespace quorvel::test {

// Reads and writes a settings file directly, the way another version of the program or a user's
// editor might, so tests can see exactly what is stored.
inline void storeRawSetting(const QString& iniPath, const QString& key, const QVariant& value)
{
    QSettings(iniPath, QSettings::IniFormat).setValue(key, value);
}

inline QVariant readRawSetting(const QString& iniPath, const QString& key)
{
    return QSettings(iniPath, QSettings::IniFormat).value(key);
}

} // namespace quorvel::test

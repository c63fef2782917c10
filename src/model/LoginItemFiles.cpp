#include "model/LoginItemFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace quorvel::LoginItemFiles {

QString autostartDirectory(const QString& xdgConfigHome, const QString& home)
{
    const QString base = QDir::isAbsolutePath(xdgConfigHome) ? xdgConfigHome
                                                               : home + QStringLiteral("/.config");
    return base + QStringLiteral("/autostart");
}

namespace {

// The Exec key's quoting (freedesktop.org desktop entry format, "The Exec key"): a quoted argument
// escapes ", `, $ and \ with a backslash, and the value as a whole is a string whose own
// backslashes are escaped again ("Possible value types"); a literal percent sign is "%%".
QString execArgument(const QString& argument)
{
    QString quoted;
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    quoted.replace(u'%', QStringLiteral("%%"));
    return u'"' + quoted + u'"';
}

QString xmlText(QString text)
{
    return text.replace(u'&', QStringLiteral("&amp;"))
        .replace(u'<', QStringLiteral("&lt;"))
        .replace(u'>', QStringLiteral("&gt;"));
}

} // namespace

std::optional<QString> autostartEntry(const QString& executable)
{
    if (executable.contains(u'\n') || executable.contains(u'\r'))
        return std::nullopt;
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Quorvel\n"
                          "Comment=Shows the number of the take your DAW is recording\n"
                          "Exec=%1\n"
                          "Icon=com.quorvel.Quorvel\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(executable));
}

bool autostartEntryIsActive(const QString& contents)
{
    bool inMainGroup = false;
    for (const QStringView line : QStringView(contents).split(u'\n')) {
        const QStringView trimmed = line.trimmed();
        if (trimmed.startsWith(u'[')) {
            inMainGroup = trimmed == u"[Desktop Entry]";
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype equals = trimmed.indexOf(u'=');
        if (equals < 0)
            continue;
        const QStringView key = trimmed.first(equals).trimmed();
        const QStringView value = trimmed.sliced(equals + 1).trimmed();
        if (key == u"Hidden" && value == u"true")
            return false;
        if (key == u"X-GNOME-Autostart-enabled" && value == u"false")
            return false;
    }
    return true;
}

// Keys from launchd.plist(5): RunAtLoad starts the job as soon as launchd loads it, which for a
// per-user agent in ~/Library/LaunchAgents is at login; LimitLoadToSessionType "Aqua" keeps it to
// the graphical session, not SSH logins; ProcessType "Interactive" asks for the resources of an
// application the user works with.
QString launchAgent(const QString& label, const QString& executable)
{
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
               "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
               "<plist version=\"1.0\">\n"
               "<dict>\n"
               "\t<key>Label</key>\n\t<string>%1</string>\n"
               "\t<key>ProgramArguments</key>\n\t<array>\n\t\t<string>%2</string>\n\t</array>\n"
               "\t<key>RunAtLoad</key>\n\t<true/>\n"
               "\t<key>LimitLoadToSessionType</key>\n\t<string>Aqua</string>\n"
               "\t<key>ProcessType</key>\n\t<string>Interactive</string>\n"
               "</dict>\n"
               "</plist>\n")
        .arg(xmlText(label), xmlText(executable));
}

QString write(const QString& path, const QString& contents)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("Could not create %1.").arg(QDir::toNativeSeparators(folder));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents.toUtf8()) < 0 || !file.commit())
        return QStringLiteral("Could not write %1: %2")
            .arg(QDir::toNativeSeparators(path), file.errorString());
    return {};
}

QString remove(const QString& path)
{
    QFile file(path);
    if (!file.exists() || file.remove())
        return {};
    return QStringLiteral("Could not remove %1: %2")
        .arg(QDir::toNativeSeparators(path), file.errorString());
}

} // namespace quorvel::LoginItemFiles

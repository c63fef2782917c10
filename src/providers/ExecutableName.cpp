#include "providers/ExecutableName.h"

namespace quorvel::ExecutableName {

QString lastComponent(QStringView path)
{
    while (path.size() > 1 && (path.endsWith(u'/') || path.endsWith(u'\\')))
        path.chop(1);
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.sliced(slash + 1).toString();
}

QString full(const QString& commandName, QStringView argv0, QStringView executablePath)
{
    if (commandName.isEmpty())
        return commandName;
    for (const QStringView source : {argv0, executablePath}) {
        const QString name = lastComponent(source);
        if (name.size() > commandName.size() && name.startsWith(commandName))
            return name;
    }
    return commandName;
}

bool isWineLoader(QStringView executablePath)
{
    const QString name = lastComponent(executablePath);
    return name == u"wine" || name == u"wine64" || name == u"wine-preloader" ||
           name == u"wine64-preloader";
}

} // namespace quorvel::ExecutableName

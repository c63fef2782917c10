#include "providers/SystemProbe.h"

#include "providers/PathText.h"

#include <QSet>

namespace quorvel::SystemProbe {

std::optional<QString> commonParentFolder(const QStringList& paths)
{
    QSet<QString> parents;
    for (const QString& path : paths)
        parents.insert(PathText::deletingLastComponent(path));
    if (parents.isEmpty())
        return std::nullopt;
    if (parents.size() == 1) {
        const QString only = *parents.cbegin();
        if (only.isEmpty())
            return std::nullopt;
        return only;
    }

    auto it = parents.cbegin();
    QStringList common = it->split(u'/');
    for (++it; it != parents.cend(); ++it) {
        const QStringList components = it->split(u'/');
        qsizetype shared = 0;
        const qsizetype limit = std::min(common.size(), components.size());
        while (shared < limit && common[shared] == components[shared])
            ++shared;
        common.resize(shared);
    }
    const QString joined = common.join(u'/');
    if (joined.isEmpty())
        return std::nullopt;
    return joined;
}

QStringList parseNameFields(const QByteArray& output)
{
    QStringList names;
    qsizetype start = 0;
    while (start < output.size()) {
        qsizetype end = output.indexOf('\0', start);
        if (end < 0)
            end = output.size();
        qsizetype begin = start;
        while (begin < end && output[begin] == '\n')
            ++begin;
        if (begin < end && output[begin] == 'n') {
            if (auto name = PathText::decodeUtf8(
                    QByteArrayView(output.constData() + begin + 1, end - begin - 1)))
                names.append(*name);
        }
        start = end + 1;
    }
    return names;
}

QStringList
openFilePathsOfApplications(const std::function<bool(const RunningApplication&)>& selects)
{
    std::vector<qint64> processIds;
    for (const RunningApplication& application : RunningApplications::current()) {
        if (selects && selects(application))
            processIds.push_back(application.processId);
    }
    return processIds.empty() ? QStringList() : openFilePaths(processIds);
}

} // namespace quorvel::SystemProbe

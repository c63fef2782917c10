#include "providers/PathText.h"

namespace quorvel::PathText {

namespace {

// Length of the path once trailing separators are dropped, keeping a lone root.
qsizetype trimmedLength(const QString& path)
{
    qsizetype end = path.size();
    while (end > 1 && path[end - 1] == u'/')
        --end;
    return end;
}

bool isHorizontalSpace(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

} // namespace

QString lastComponent(const QString& path)
{
    const qsizetype end = trimmedLength(path);
    if (end == 1 && path[0] == u'/')
        return QStringLiteral("/");
    const qsizetype slash = path.lastIndexOf(u'/', end - 1);
    return path.mid(slash + 1, end - slash - 1);
}

QString deletingLastComponent(const QString& path)
{
    const qsizetype end = trimmedLength(path);
    if (end == 0)
        return QString();
    if (end == 1 && path[0] == u'/')
        return QStringLiteral("/");
    qsizetype slash = path.lastIndexOf(u'/', end - 1);
    if (slash < 0)
        return QString();
    // Separators doubled before the last component belong to nothing.
    while (slash > 0 && path[slash - 1] == u'/')
        --slash;
    if (slash == 0)
        return QStringLiteral("/");
    return path.left(slash);
}

QString folderPrefix(const QString& folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

bool liesIn(const QString& path, const QString& folder)
{
    if (folder.isEmpty())
        return false;
    const QString prefix = folderPrefix(folder);
    return path.size() > prefix.size() && path.startsWith(prefix);
}

bool hasSuffixIgnoringCase(QStringView text, QLatin1StringView suffix)
{
    return text.endsWith(suffix, Qt::CaseInsensitive);
}

QString trimmedHorizontally(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isHorizontalSpace(text[begin]))
        ++begin;
    while (end > begin && isHorizontalSpace(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

bool isValidUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        int length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0)
                low = 0xA0; // overlong
            else if (lead == 0xED)
                high = 0x9F; // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0)
                low = 0x90; // overlong
            else if (lead == 0xF4)
                high = 0x8F; // above U+10FFFF
        } else {
            return false;
        }
        if (end - p < length)
            return false;
        if (p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i < length; ++i) {
            if (p[i] < 0x80 || p[i] > 0xBF)
                return false;
        }
        p += length;
    }
    return true;
}

std::optional<QString> decodeUtf8(QByteArrayView bytes)
{
    if (!isValidUtf8(bytes))
        return std::nullopt;
    return QString::fromUtf8(bytes);
}

} // namespace quorvel::PathText

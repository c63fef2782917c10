// Arbitrary bytes as lsof's -F...0 output: lsof prints file names exactly as the file system
// holds them, so any bytes can appear in a name. Each name kept is one NUL-separated field.
#include "FuzzCheck.h"

#include "providers/SystemProbe.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

using namespace quorvel;
using fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray output(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList names = SystemProbe::parseNameFields(output);
    check(names.size() <= output.count('\0') + 1, "at most one name per field");
    for (const QString& name : names)
        check(!name.contains(QChar(u'\0')), "a name never spans a field separator");
    return 0;
}

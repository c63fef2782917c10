// Arbitrary bytes as reaper.ini, which REAPER, another program or a damaged disk may have
// written. The reader must survive anything; a project it returns must come from a [Recent]
// section and be a single line, and the same file with Windows line ends (REAPER under Wine)
// must name the same project.
#include "FuzzCheck.h"

#include "providers/ReaperProvider.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

using namespace quorvel;
using fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray contents(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto project = ReaperProvider::recentProjectEntry(contents);
    if (project) {
        check(contents.contains("[Recent]"), "a recent project comes from the [Recent] section");
        check(!project->contains(u'\n'), "a recent project is one line");
    }
    if (!contents.contains('\r')) {
        QByteArray crlf = contents;
        check(ReaperProvider::recentProjectEntry(crlf.replace("\n", "\r\n")) == project,
              "CR LF line ends read as LF line ends do");
    }
    return 0;
}

#pragma once

#include <QByteArray>

namespace quorvel::RemotePage {

// The remote display page (page.html beside this header), compiled into the program at build
// time so it is served byte for byte without touching the disk. The bytes are static: the
// returned array shares them and never copies.
QByteArray html();

} // namespace quorvel::RemotePage

#pragma once

#include <QtGlobal>

namespace quorvel::SocketEnds {

// Ends the sending half of a connected socket (the peer reads the end of the stream) while its
// receiving half stays open: what a server does after its answer so that a client still sending
// a body sees the answer instead of a reset. Qt's sockets offer no half close. Does nothing for
// an invalid descriptor. Thread: the socket's.
void closeSending(qintptr socketDescriptor);

} // namespace quorvel::SocketEnds

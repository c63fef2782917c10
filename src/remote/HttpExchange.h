#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace quorvel::HttpExchange {

// The request and response rules of the remote display's one-request-per-connection HTTP/1.1,
// kept apart from the sockets so each rule can be checked on exact bytes.

// The longest request head answered, not counting its CR LF CR LF terminator.
inline constexpr qsizetype maxHeadBytes = 65536;

// Offset of the first CR LF CR LF in buffer, looking no earlier than from (pass the size the
// buffer had before its latest chunk, so a terminator split across chunks is still found); -1
// when there is none yet.
qsizetype headEnd(QByteArrayView buffer, qsizetype from = 0);

enum class HeadStatus { Incomplete, Complete, TooLong };

struct HeadScan
{
    HeadStatus status = HeadStatus::Incomplete;
    qsizetype length = 0; // bytes before the terminator, when Complete
};

// Where the request head in buffer stands after a chunk arrived (from as for headEnd). The limit
// applies to the head itself, whatever the chunking: a head of up to maxHeadBytes is answered even
// when its terminator arrives later, and a longer one never is, even when the terminator came in
// the same chunk as its excess.
HeadScan scanHead(QByteArrayView buffer, qsizetype from = 0);

struct RequestLine
{
    QString method;
    // The request target up to its first "?", otherwise untouched (no decoding, case kept);
    // "/" when the line has no target.
    QString path;

    friend bool operator==(const RequestLine&, const RequestLine&) = default;
};

// Reads the request line of a head (the bytes before CR LF CR LF): invalid UTF-8 becomes U+FFFD,
// the line ends at the first CR or LF, and its pieces are separated by runs of spaces.
RequestLine parseRequestLine(QByteArrayView head);

enum class Route { Page, State, Api, NotFound, MethodNotAllowed };

// Which answer a request gets: anything but an exact "GET" is refused, then the path decides.
Route route(const RequestLine& request);

// The complete bytes of a response: the status line, Content-Type, Content-Length,
// Cache-Control: no-store, Access-Control-Allow-Origin: *, Connection: close, a blank line,
// and the body.
QByteArray response(QByteArrayView status, QByteArrayView contentType, QByteArrayView body);

} // namespace quorvel::HttpExchange

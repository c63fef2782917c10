#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace quorvel::HttpExchange {

// The request and response rules of the remote display's one-request-per-connection HTTP/1.1,
// kept apart from the sockets so each rule can be checked on exact bytes.
//
// Lines may end in CR LF or in a bare LF (a CR before the LF is dropped), and one empty line
// before the request line is skipped, as RFC 9112 section 2.2 allows a recipient
// (https://www.rfc-editor.org/rfc/rfc9112#section-2.2).

// The longest request head answered, counted from its first byte up to the line end that ends
// its last line (the blank line after it is not counted).
inline constexpr qsizetype maxHeadBytes = 65536;

enum class HeadStatus { Incomplete, Complete, BadRequestLine, TooLong };

struct HeadScan
{
    HeadStatus status = HeadStatus::Incomplete;
    qsizetype length = 0; // bytes of the head proper, when Complete
};

// Where the request head in buffer stands after a chunk arrived; from is the size the buffer had
// before that chunk, so an end split across chunks is still found. A request line is judged as
// soon as its line end arrives (BadRequestLine when it is not "method target HTTP/d.d"), so an
// HTTP/0.9 request is refused at once instead of waiting for a head that never ends. The limit
// applies to the head itself, whatever the chunking: a head of up to maxHeadBytes is answered
// even when its end arrives later, and a longer one never is.
HeadScan scanHead(QByteArrayView buffer, qsizetype from = 0);

struct RequestLine
{
    QString method;
    // The request target up to its first "?", otherwise untouched (no decoding, case kept).
    QString path;

    friend bool operator==(const RequestLine&, const RequestLine&) = default;
};

// Reads the request line of a head: method, target and version separated by runs of spaces,
// the method a token, the version "HTTP/" digit "." digit, no CR inside. None when the line is
// not of that form. Invalid UTF-8 becomes U+FFFD.
std::optional<RequestLine> parseRequestLine(QByteArrayView head);

// The values of the header fields of head named name (compared case-insensitively), in order,
// with the whitespace around each trimmed.
QList<QByteArrayView> fieldValues(QByteArrayView head, QByteArrayView name);

// Whether a Host value names this server in a way no other site can borrow: an IPv4 literal in
// dotted decimal, an IPv6 literal in brackets, "localhost" or one of machineNames, compared
// case-insensitively, each optionally followed by ":port". Refusing every other name keeps a
// web page on the internet from reaching the server through a name it rebinds to a studio
// address.
bool hostAllowed(QByteArrayView host, const QStringList& machineNames);

enum class Route { Page, State, Api, Takes, Events, NotFound, MethodNotAllowed };

// Which answer a request gets: anything but an exact "GET" is refused, then the path decides.
Route route(const RequestLine& request);

// Whether two access keys are equal, in a time that depends only on their lengths and never on
// where they first differ, so a client cannot find the key byte by byte by timing the answers.
bool keysEqual(QByteArrayView presented, QByteArrayView expected);

// Whether a request head carries key: as the query parameter "key" of the request target
// (percent-decoded) or as an "Authorization: Bearer" credential. An empty key is never carried.
bool carriesKey(QByteArrayView head, QByteArrayView key);

// The complete bytes of a response: the status line, Content-Type, Content-Length,
// Cache-Control: no-store, Access-Control-Allow-Origin: *, Connection: close, a blank line,
// and the body.
QByteArray response(QByteArrayView status, QByteArrayView contentType, QByteArrayView body);

// The head that opens an event stream (the HTML Living Standard's server-sent events,
// section 9.2): 200, text/event-stream,
// Cache-Control: no-cache, the same Access-Control-Allow-Origin as every answer, and
// Connection: close, since the stream's body runs until the connection ends.
QByteArray streamHead();

// One event of an event stream carrying data: a "data:" field, then the blank line that delivers
// it. REQUIRES: data holds no line break (compact JSON never does), which would end the field.
QByteArray streamEvent(QByteArrayView data);

} // namespace quorvel::HttpExchange

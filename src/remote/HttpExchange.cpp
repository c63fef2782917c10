#include "remote/HttpExchange.h"

#include <QHostAddress>

#include <algorithm>
#include <array>

namespace quorvel::HttpExchange {

namespace {

// The ways the last line of a head and the blank line after it can end.
constexpr std::array<QByteArrayView, 4> headTerminators{"\r\n\r\n", "\r\n\n", "\n\r\n", "\n\n"};

// Where the request line begins: past one empty line, when the bytes begin with one.
qsizetype requestLineStart(QByteArrayView bytes)
{
    if (bytes.startsWith("\r\n"))
        return 2;
    return bytes.startsWith('\n') ? 1 : 0;
}

// The request line of bytes without its line end; it runs to the end when no LF follows.
QByteArrayView requestLineOf(QByteArrayView bytes)
{
    const qsizetype start = requestLineStart(bytes);
    const qsizetype end = bytes.indexOf('\n', start);
    QByteArrayView line = bytes.sliced(start, (end < 0 ? bytes.size() : end) - start);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

// A token character (RFC 9110 section 5.6.2, https://www.rfc-editor.org/rfc/rfc9110#section-5.6.2).
bool isTokenChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool isDigits(QByteArrayView bytes, qsizetype minimum, qsizetype maximum)
{
    return bytes.size() >= minimum && bytes.size() <= maximum &&
           std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Nothing, or ":" and a port (RFC 3986 section 3.2.3 lets the digits be absent,
// https://www.rfc-editor.org/rfc/rfc3986#section-3.2.3).
bool isPortSuffix(QByteArrayView bytes)
{
    return bytes.isEmpty() || (bytes.startsWith(':') && isDigits(bytes.sliced(1), 0, 5));
}

bool isDottedIPv4(QByteArrayView name)
{
    int parts = 0;
    for (qsizetype start = 0; start <= name.size(); ++parts) {
        qsizetype end = name.indexOf('.', start);
        if (end < 0)
            end = name.size();
        const QByteArrayView part = name.sliced(start, end - start);
        if (!isDigits(part, 1, 3) || part.toInt() > 255)
            return false;
        start = end + 1;
    }
    return parts == 4;
}

} // namespace

HeadScan scanHead(QByteArrayView buffer, qsizetype from)
{
    const qsizetype lineEnd = buffer.indexOf('\n', requestLineStart(buffer));
    // A line that ended before this chunk was judged when it ended.
    if (lineEnd >= from && !parseRequestLine(buffer))
        return {HeadStatus::BadRequestLine, 0};
    if (lineEnd >= 0) {
        // Back up two bytes: the blank line may have begun in the previous chunk.
        for (qsizetype at = buffer.indexOf('\n', std::max(lineEnd, from - 2)); at >= 0;
             at = buffer.indexOf('\n', at + 1)) {
            const QByteArrayView rest = buffer.sliced(at + 1);
            if (!rest.startsWith('\n') && !rest.startsWith("\r\n"))
                continue;
            const qsizetype length = buffer.at(at - 1) == '\r' ? at - 1 : at;
            return length <= maxHeadBytes ? HeadScan{HeadStatus::Complete, length}
                                          : HeadScan{HeadStatus::TooLong, 0};
        }
    }
    if (buffer.size() <= maxHeadBytes)
        return {};
    // Past the limit only an end already begun at or before it can still complete a head that
    // fits.
    for (qsizetype start = std::max<qsizetype>(0, buffer.size() - 3); start <= maxHeadBytes;
         ++start) {
        for (const QByteArrayView terminator : headTerminators) {
            if (terminator.startsWith(buffer.sliced(start)))
                return {};
        }
    }
    return {HeadStatus::TooLong, 0};
}

std::optional<RequestLine> parseRequestLine(QByteArrayView head)
{
    // RFC 9112 section 3 (https://www.rfc-editor.org/rfc/rfc9112#section-3): method SP target SP
    // version; a recipient may split on runs of whitespace, and must treat a bare CR as invalid
    // or as a space (section 2.2).
    const QByteArrayView line = requestLineOf(head);
    if (line.contains('\r'))
        return std::nullopt;
    std::array<QByteArrayView, 3> pieces;
    std::size_t count = 0;
    for (qsizetype at = 0; at < line.size();) {
        if (line.at(at) == ' ') {
            ++at;
            continue;
        }
        qsizetype end = line.indexOf(' ', at);
        if (end < 0)
            end = line.size();
        if (count == pieces.size())
            return std::nullopt;
        pieces[count++] = line.sliced(at, end - at);
        at = end;
    }
    if (count != pieces.size())
        return std::nullopt;
    const auto [method, target, version] = pieces;
    if (!std::all_of(method.begin(), method.end(), isTokenChar))
        return std::nullopt;
    if (version.size() != 8 || !version.startsWith("HTTP/") || version.at(6) != '.' ||
        !isDigits(version.sliced(5, 1), 1, 1) || !isDigits(version.sliced(7), 1, 1))
        return std::nullopt;

    const qsizetype query = target.indexOf('?');
    return RequestLine{QString::fromUtf8(method),
                       QString::fromUtf8(query < 0 ? target : target.first(query))};
}

QList<QByteArrayView> fieldValues(QByteArrayView head, QByteArrayView name)
{
    QList<QByteArrayView> values;
    qsizetype start = head.indexOf('\n', requestLineStart(head));
    while (start >= 0) {
        ++start;
        const qsizetype end = head.indexOf('\n', start);
        const QByteArrayView line = head.sliced(start, (end < 0 ? head.size() : end) - start);
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.first(colon).compare(name, Qt::CaseInsensitive) == 0)
            values.append(line.sliced(colon + 1).trimmed());
        start = end;
    }
    return values;
}

bool hostAllowed(QByteArrayView host, const QStringList& machineNames)
{
    // Host is uri-host [ ":" port ] (RFC 9110 section 7.2,
    // https://www.rfc-editor.org/rfc/rfc9110#section-7.2); an IPv6 literal is bracketed
    // (RFC 3986 section 3.2.2).
    if (host.startsWith('[')) {
        const qsizetype close = host.indexOf(']');
        if (close < 0 || !isPortSuffix(host.sliced(close + 1)))
            return false;
        QHostAddress address;
        return address.setAddress(QString::fromLatin1(host.sliced(1, close - 1))) &&
               address.protocol() == QAbstractSocket::IPv6Protocol;
    }
    const qsizetype colon = host.indexOf(':');
    if (colon >= 0 && !isPortSuffix(host.sliced(colon)))
        return false;
    const QByteArrayView name = colon < 0 ? host : host.first(colon);
    if (isDottedIPv4(name))
        return true;
    const QString text = QString::fromUtf8(name);
    if (text.isEmpty())
        return false;
    return text.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           std::any_of(machineNames.begin(), machineNames.end(), [&](const QString& known) {
               return known.compare(text, Qt::CaseInsensitive) == 0;
           });
}

Route route(const RequestLine& request)
{
    if (request.method != QLatin1String("GET"))
        return Route::MethodNotAllowed;
    if (request.path == QLatin1String("/"))
        return Route::Page;
    if (request.path == QLatin1String("/state"))
        return Route::State;
    if (request.path == QLatin1String("/api/v1/state"))
        return Route::Api;
    if (request.path == QLatin1String("/api/v1/takes"))
        return Route::Takes;
    if (request.path == QLatin1String("/events"))
        return Route::Events;
    return Route::NotFound;
}

bool keysEqual(QByteArrayView presented, QByteArrayView expected)
{
    // Every byte of the longer one is visited and differences are OR-ed together, with no early
    // exit; a length mismatch counts as a difference.
    const qsizetype length = std::max(presented.size(), expected.size());
    unsigned difference = presented.size() == expected.size() ? 0U : 1U;
    for (qsizetype at = 0; at < length; ++at) {
        const auto a = at < presented.size() ? static_cast<unsigned char>(presented[at]) : 0U;
        const auto b = at < expected.size() ? static_cast<unsigned char>(expected[at]) : 0U;
        difference |= a ^ b;
    }
    return difference == 0;
}

bool carriesKey(QByteArrayView head, QByteArrayView key)
{
    if (key.isEmpty())
        return false;
    bool carried = false;
    // The Bearer scheme (RFC 6750 section 2.1, https://www.rfc-editor.org/rfc/rfc6750#section-2.1);
    // auth-scheme names are case-insensitive (RFC 9110 section 11.1,
    // https://www.rfc-editor.org/rfc/rfc9110#section-11.1).
    for (const QByteArrayView value : fieldValues(head, "Authorization")) {
        constexpr QByteArrayView scheme = "Bearer ";
        if (value.size() > scheme.size() &&
            value.first(scheme.size()).compare(scheme, Qt::CaseInsensitive) == 0)
            carried |= keysEqual(value.sliced(scheme.size()).trimmed(), key);
    }
    // The query runs from the first "?" to a "#" or the end (RFC 3986 section 3.4,
    // https://www.rfc-editor.org/rfc/rfc3986#section-3.4); its pairs are split on "&" and "=",
    // the way the page writes them.
    const QByteArrayView line = requestLineOf(head);
    const qsizetype targetStart = line.indexOf(' ');
    const qsizetype targetEnd = line.lastIndexOf(' ');
    if (targetStart < 0 || targetEnd <= targetStart)
        return carried;
    QByteArrayView target = line.sliced(targetStart + 1, targetEnd - targetStart - 1).trimmed();
    if (const qsizetype fragment = target.indexOf('#'); fragment >= 0)
        target = target.first(fragment);
    const qsizetype query = target.indexOf('?');
    if (query < 0)
        return carried;
    for (const QByteArray& pair : target.sliced(query + 1).toByteArray().split('&')) {
        if (pair.startsWith("key="))
            carried |= keysEqual(QByteArray::fromPercentEncoding(pair.sliced(4)), key);
    }
    return carried;
}

QByteArray response(QByteArrayView status, QByteArrayView contentType, QByteArrayView body)
{
    QByteArray bytes;
    bytes.reserve(200 + body.size());
    bytes.append("HTTP/1.1 ").append(status).append("\r\n");
    bytes.append("Content-Type: ").append(contentType).append("\r\n");
    bytes.append("Content-Length: ").append(QByteArray::number(body.size())).append("\r\n");
    bytes.append("Cache-Control: no-store\r\n");
    bytes.append("Access-Control-Allow-Origin: *\r\n");
    bytes.append("Connection: close\r\n");
    bytes.append("\r\n");
    bytes.append(body);
    return bytes;
}

QByteArray streamHead()
{
    return "HTTP/1.1 200 OK\r\n"
           "Content-Type: text/event-stream\r\n"
           "Cache-Control: no-cache\r\n"
           "Access-Control-Allow-Origin: *\r\n"
           "Connection: close\r\n"
           "\r\n";
}

QByteArray streamEvent(QByteArrayView data)
{
    return "data: " + data.toByteArray() + "\n\n";
}

} // namespace quorvel::HttpExchange

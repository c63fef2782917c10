#include "remote/HttpExchange.h"

#include <QStringList>

#include <algorithm>

namespace quorvel::HttpExchange {

qsizetype headEnd(QByteArrayView buffer, qsizetype from)
{
    // Back up three bytes: the terminator may have begun in the previous chunk.
    return buffer.indexOf(QByteArrayView("\r\n\r\n"), std::max<qsizetype>(0, from - 3));
}

HeadScan scanHead(QByteArrayView buffer, qsizetype from)
{
    constexpr QByteArrayView terminator("\r\n\r\n");
    const qsizetype end = headEnd(buffer, from);
    if (end >= 0)
        return end <= maxHeadBytes ? HeadScan{HeadStatus::Complete, end}
                                   : HeadScan{HeadStatus::TooLong, 0};
    if (buffer.size() <= maxHeadBytes)
        return {};
    // Past the limit only a terminator already begun at or before it can still complete a head
    // that fits.
    for (qsizetype start = buffer.size() - (terminator.size() - 1); start <= maxHeadBytes;
         ++start) {
        if (terminator.startsWith(buffer.sliced(start)))
            return {};
    }
    return {HeadStatus::TooLong, 0};
}

RequestLine parseRequestLine(QByteArrayView head)
{
    // CR and LF never occur inside a multi-byte UTF-8 sequence, so cutting the bytes at the first
    // of them before decoding gives the same line as decoding the whole head first.
    const auto lineEnd =
        std::find_if(head.begin(), head.end(), [](char c) { return c == '\r' || c == '\n'; });
    const QString line = QString::fromUtf8(head.first(lineEnd - head.begin()));
    const QStringList pieces = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);

    RequestLine request;
    if (!pieces.isEmpty())
        request.method = pieces.at(0);
    const QString target = pieces.size() > 1 ? pieces.at(1) : QStringLiteral("/");
    const qsizetype query = target.indexOf(QLatin1Char('?'));
    request.path = query < 0 ? target : target.left(query);
    return request;
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
    return Route::NotFound;
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

} // namespace quorvel::HttpExchange

// Arbitrary bytes through the remote display's request-head rules: the first bytes anyone on the
// studio network can send. Beyond surviving every input, the head scan must not depend on how
// the bytes arrive: scanning chunk by chunk has to stop where, and with what, one scan of the
// same bytes says. Host values must be judged without regard to ASCII case.
//
// Input: byte 0 sets the chunk size, byte 1 (high bit) pads the head with a long field so the
// size limit is reached; the rest is the request.
#include "FuzzCheck.h"

#include "remote/HttpExchange.h"

#include <QByteArray>
#include <QStringList>

#include <algorithm>
#include <cstddef>
#include <cstdint>

using namespace quorvel;
using fuzz::check;

namespace {

QByteArray requestBytes(const uint8_t* data, size_t size, bool padded, int slack)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (!padded)
        return bytes;
    // A field long enough to put the head's end within a few bytes either side of the limit.
    const qsizetype fill = HttpExchange::maxHeadBytes - bytes.size() - 16 + slack;
    const qsizetype afterFirstLine = bytes.indexOf('\n') + 1;
    QByteArray field = "X-Fill: " + QByteArray(std::max<qsizetype>(fill, 0), 'a') + "\r\n";
    return bytes.insert(afterFirstLine, field);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const bool padded = (data[1] & 0x80) != 0;
    const qsizetype chunk = (data[0] % 64 + 1) * (padded ? 1024 : 1);
    const QByteArray bytes = requestBytes(data + 2, size - 2, padded, data[1] % 32);

    // Chunk by chunk, as the server reads a socket.
    QByteArray buffer;
    HttpExchange::HeadScan scan;
    for (qsizetype at = 0; at < bytes.size() && scan.status == HttpExchange::HeadStatus::Incomplete;
         at += chunk) {
        const qsizetype from = buffer.size();
        buffer.append(bytes.sliced(at, std::min(chunk, bytes.size() - at)));
        scan = HttpExchange::scanHead(buffer, from);
    }
    const HttpExchange::HeadScan whole = HttpExchange::scanHead(buffer, 0);
    check(scan.status == whole.status && scan.length == whole.length,
          "chunked head scan agrees with a scan of the same bytes at once");

    QByteArrayView head = buffer;
    if (scan.status == HttpExchange::HeadStatus::Complete) {
        check(scan.length >= 0 && scan.length <= HttpExchange::maxHeadBytes &&
                  scan.length < buffer.size(),
              "a complete head lies within the buffer and the limit");
        check(HttpExchange::parseRequestLine(buffer).has_value(),
              "a complete head has a valid request line");
        head = head.first(scan.length);
    }

    if (const auto line = HttpExchange::parseRequestLine(head))
        HttpExchange::route(*line);

    const QStringList machineNames{QStringLiteral("studio-mac"), QStringLiteral("Studio-Mac.local")};
    for (const QByteArrayView value : HttpExchange::fieldValues(head, "host")) {
        check(!value.contains('\n'), "a field value stays within its line");
        check(value == value.trimmed(), "a field value is trimmed");
        const bool allowed = HttpExchange::hostAllowed(value, machineNames);
        check(allowed == HttpExchange::hostAllowed(value.toByteArray().toUpper(), machineNames),
              "Host is judged without regard to ASCII case");
    }
    return 0;
}

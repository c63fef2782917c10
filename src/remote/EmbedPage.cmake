# cmake -DINPUT=page.html -DOUTPUT=RemotePageData.cpp -P EmbedPage.cmake
# Writes a source file that holds INPUT's bytes and defines quorvel::RemotePage::html().
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
if(hex_length EQUAL 0)
  message(FATAL_ERROR "${INPUT} is empty")
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
# Twenty bytes a line keeps the generated file readable in a debugger.
string(REGEX REPLACE "(('[^']*',){20})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT} by EmbedPage.cmake; do not edit.
#include \"remote/RemotePage.h\"

namespace {
const char pageBytes[] = {
    ${bytes}
};
} // namespace

QByteArray quorvel::RemotePage::html()
{
    return QByteArray::fromRawData(pageBytes, sizeof pageBytes);
}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")

#pragma once

#include <QProcess>
#include <QString>

#include <memory>

namespace quorvel::test {

// A running quorvel_open_files_holder: a real process under a command name of the test's choice
// that keeps every entry of a folder open (in ascending name order, the first one twice) until
// this object is destroyed.
class HeldFiles
{
public:
    HeldFiles(const QString& commandName, const QString& folder);
    ~HeldFiles();
    HeldFiles(const HeldFiles&) = delete;
    HeldFiles& operator=(const HeldFiles&) = delete;

    // True once the process has opened its files and taken its name.
    bool isReady() const { return m_ready; }
    qint64 processId() const { return m_process.processId(); }
    // Closes the holder's input and waits for it to end.
    void finish();

private:
    QProcess m_process;
    bool m_ready = false;
};

// A command name no other process on the machine has: a short prefix, this process's id and a
// counter, within the 15 bytes the kernel keeps.
QString uniqueCommandName(const char* prefix);

} // namespace quorvel::test

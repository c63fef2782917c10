#pragma once

#include <QString>

#include <memory>
#include <string_view>

namespace quorvel {

// Selects processes by command name with the rules of lsof's -c option, so that the native
// open-file reader picks exactly the processes the lsof tool would:
//   word         command names that begin with word;
//   /re/[bix]    command names that match the POSIX regular expression re (extended unless the
//                modifier b asks for basic; i ignores case; each modifier at most once, and
//                never b with x);
//   ^word        an exclusion, which selects nothing on its own.
// A filter lsof would refuse (a malformed or invalid expression, a word longer than the command
// names the system keeps) selects nothing, as lsof's refusal yields no files.
class CommandFilter
{
public:
    // maxCommandLength: how many bytes of a command name the system keeps (15 on Linux).
    CommandFilter(const QString& filter, int maxCommandLength);
    ~CommandFilter();
    CommandFilter(const CommandFilter&) = delete;
    CommandFilter& operator=(const CommandFilter&) = delete;

    bool selectsNothing() const { return m_kind == Kind::nothing; }
    // commandName: the kernel's command name, as bytes.
    bool matches(std::string_view commandName) const;

private:
    enum class Kind { nothing, prefix, expression };
    struct Expression;

    Kind m_kind = Kind::nothing;
    std::string m_prefix;
    std::unique_ptr<Expression> m_expression;
};

} // namespace quorvel

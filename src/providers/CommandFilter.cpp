#include "providers/CommandFilter.h"

#include <regex.h>
#include <string>

namespace quorvel {

struct CommandFilter::Expression
{
    regex_t compiled{};
};

CommandFilter::CommandFilter(const QString& filter, int maxCommandLength)
{
    const std::string text = filter.toStdString();
    if (!text.empty() && text.front() == '^')
        return;
    if (text.empty() || text.front() != '/') {
        if (static_cast<int>(text.size()) > maxCommandLength)
            return;
        m_prefix = text;
        m_kind = Kind::prefix;
        return;
    }

    const size_t close = text.rfind('/');
    if (close == 0)
        return;
    // lsof refuses an unknown modifier, a repeated one, and b together with x.
    const std::string modifiers = text.substr(close + 1);
    for (size_t i = 0; i < modifiers.size(); ++i) {
        if (std::string_view("bix").find(modifiers[i]) == std::string_view::npos ||
            modifiers.find(modifiers[i], i + 1) != std::string::npos)
            return;
    }
    const bool basic = modifiers.find('b') != std::string::npos;
    if (basic && modifiers.find('x') != std::string::npos)
        return;
    int flags = REG_NOSUB | (basic ? 0 : REG_EXTENDED);
    if (modifiers.find('i') != std::string::npos)
        flags |= REG_ICASE;
    auto expression = std::make_unique<Expression>();
    const std::string body = text.substr(1, close - 1);
    if (::regcomp(&expression->compiled, body.c_str(), flags) != 0)
        return;
    m_expression = std::move(expression);
    m_kind = Kind::expression;
}

CommandFilter::~CommandFilter()
{
    if (m_expression)
        ::regfree(&m_expression->compiled);
}

bool CommandFilter::matches(std::string_view commandName) const
{
    switch (m_kind) {
    case Kind::nothing:
        return false;
    case Kind::prefix:
        return commandName.substr(0, m_prefix.size()) == m_prefix;
    case Kind::expression: {
        const std::string name(commandName);
        return ::regexec(&m_expression->compiled, name.c_str(), 0, nullptr, 0) == 0;
    }
    }
    return false;
}

} // namespace quorvel

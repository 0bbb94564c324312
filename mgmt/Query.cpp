#include "mgmt/Query.h"
#include "mgmt/Error.h"
#include "mgmt/Instance.h"
#include "mgmt/Names.h"

#include <algorithm>
#include <cctype>

namespace quorvin::mgmt {

namespace {

// A small cursor over the query text; every step skips the blanks before it.
class Scanner {
public:
    explicit Scanner(std::string_view text) : m_text(text) {}

    void skipBlanks()
    {
        while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos])))
            ++m_pos;
    }
    bool atEnd()
    {
        skipBlanks();
        return m_pos == m_text.size();
    }
    bool keyword(std::string_view word)
    {
        skipBlanks();
        const std::string_view candidate = m_text.substr(m_pos, word.size());
        if (!equalsIgnoringCase(candidate, word))
            return false;
        const std::size_t after = m_pos + word.size();
        if (after < m_text.size() && isNameChar(m_text[after]))
            return false;
        m_pos = after;
        return true;
    }
    bool symbol(char c)
    {
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    std::string name()
    {
        skipBlanks();
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && isNameChar(m_text[m_pos]))
            ++m_pos;
        return std::string(m_text.substr(start, m_pos - start));
    }
    std::optional<std::string> quoted()
    {
        if (!symbol('\''))
            return std::nullopt;
        std::string result;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '\'')
                return result;
            if (c == '\\' && m_pos < m_text.size() && (m_text[m_pos] == '\'' || m_text[m_pos] == '\\')) {
                result += m_text[m_pos++];
                continue;
            }
            result += c;
        }
        return std::nullopt; // no closing quote
    }

    static bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

} // namespace

Query parseQuery(std::string_view text)
{
    Scanner scan(text);
    Query query;
    if (!scan.keyword("select") || !scan.symbol('*') || !scan.keyword("from"))
        throw Error(err::InvalidQuery);
    query.className = scan.name();
    if (query.className.empty())
        throw Error(err::InvalidQuery);
    if (scan.atEnd())
        return query;
    if (!scan.keyword("where") || !scan.keyword("name") || !scan.symbol('='))
        throw Error(err::InvalidQuery);
    query.nameEquals = scan.quoted();
    if (!query.nameEquals || !scan.atEnd())
        throw Error(err::InvalidQuery);
    return query;
}

Query askOf(std::string_view classNameOrQuery)
{
    if (!classNameOrQuery.empty() && std::ranges::all_of(classNameOrQuery, &Scanner::isNameChar))
        return Query{std::string(classNameOrQuery), std::nullopt};
    return parseQuery(classNameOrQuery);
}

std::string quoteQueryName(std::string_view name)
{
    std::string result;
    result.reserve(name.size());
    for (char c : name) {
        if (c == '\'' || c == '\\')
            result += '\\';
        result += c;
    }
    return result;
}

std::vector<Instance> answerOf(const Query &query, std::vector<Instance> instances, NameMatch match)
{
    if (query.nameEquals)
        std::erase_if(instances, [&](const Instance &instance) {
            const Value *name = instance.find(prop::Name);
            if (!name || !name->isText())
                return true;
            return match == NameMatch::Exact ? name->text() != *query.nameEquals
                                             : !equalsIgnoringCase(name->text(), *query.nameEquals);
        });
    return instances;
}

std::string classQuery(std::string_view className)
{
    return "select * from " + std::string(className);
}

std::string classQuery(std::string_view className, std::string_view name)
{
    return classQuery(className) + " where name = '" + quoteQueryName(name) + "'";
}

} // namespace quorvin::mgmt

#include "support/FakeDialogs.h"

namespace quorvin::test {

void FakeDialogs::open(Shown shown)
{
    m_shown.push_back(std::move(shown));
    m_showing = true;
    if (whileOpen)
        whileOpen();
    m_showing = false;
}

void FakeDialogs::message(const QString &text, const QString &title)
{
    open({QStringLiteral("message"), text, title, {}});
}

bool FakeDialogs::confirm(const QString &text, const QString &title, Default defaultButton)
{
    open({QStringLiteral("confirm"), text, title, {}, defaultButton});
    if (m_confirmAnswers.empty())
        return false;
    const bool yes = m_confirmAnswers.front();
    m_confirmAnswers.pop_front();
    return yes;
}

std::optional<QString> FakeDialogs::input(const QString &prompt, const QString &title,
                                          const QString &defaultText)
{
    open({QStringLiteral("input"), prompt, title, defaultText});
    if (m_inputAnswers.empty())
        return std::nullopt;
    const auto [given, text] = m_inputAnswers.front();
    m_inputAnswers.pop_front();
    if (!given)
        return std::nullopt;
    return text;
}

QStringList FakeDialogs::messageTexts() const
{
    QStringList texts;
    for (const Shown &s : m_shown)
        texts << s.text;
    return texts;
}

} // namespace quorvin::test

#pragma once
#include "kit/Dialogs.h"

#include <QStringList>
#include <deque>
#include <functional>

namespace quorvin::test {

// Stands in for the boxes: records what was shown and answers from a script.
class FakeDialogs final : public Dialogs {
public:
    struct Shown {
        QString kind; // "message", "confirm" or "input"
        QString text;
        QString title;
        QString defaultText;
        Default defaultButton = Default::Yes; // of a confirm box
    };

    void message(const QString &text, const QString &title = {}) override;
    bool confirm(const QString &text, const QString &title, Default defaultButton = Default::Yes) override;
    std::optional<QString> input(const QString &prompt, const QString &title,
                                 const QString &defaultText) override;
    bool isShowing() const override { return m_showing; }

    // Answers for the next confirm and input boxes, in order; without one, confirm says No and input cancels.
    void answerConfirm(bool yes) { m_confirmAnswers.push_back(yes); }
    void answerInput(std::optional<QString> text)
    {
        m_inputAnswers.emplace_back(text.has_value(), text.value_or(QString()));
    }
    // Runs while a box is "open", as the nested event loop of a real box would.
    std::function<void()> whileOpen;

    const std::vector<Shown> &shown() const { return m_shown; }
    QStringList messageTexts() const;
    void clear() { m_shown.clear(); }

private:
    void open(Shown shown);

    std::vector<Shown> m_shown;
    std::deque<bool> m_confirmAnswers;
    std::deque<std::pair<bool, QString>> m_inputAnswers; // false: cancelled
    bool m_showing = false;
};

} // namespace quorvin::test

#include "app/MessageBoxDialogs.h"

#include <QInputDialog>
#include <QMessageBox>

namespace quorvin {

namespace {

QString titleOrApplication(const QString &title)
{
    return title.isEmpty() ? applicationTitle() : title;
}

// Counts the boxes open, so that the poll can stay quiet while one waits for the user.
class OpenBox final {
public:
    explicit OpenBox(int &count) : m_count(count) { ++m_count; }
    ~OpenBox() { --m_count; }
    OpenBox(const OpenBox &) = delete;
    OpenBox &operator=(const OpenBox &) = delete;

private:
    int &m_count;
};

} // namespace

void MessageBoxDialogs::message(const QString &text, const QString &title)
{
    const OpenBox open(m_open);
    QMessageBox box(QMessageBox::NoIcon, titleOrApplication(title), text, QMessageBox::Ok, m_parent);
    box.exec();
}

bool MessageBoxDialogs::confirm(const QString &text, const QString &title)
{
    const OpenBox open(m_open);
    QMessageBox box(QMessageBox::NoIcon, titleOrApplication(title), text, QMessageBox::Yes | QMessageBox::No,
                    m_parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> MessageBoxDialogs::input(const QString &prompt, const QString &title,
                                                const QString &defaultText)
{
    const OpenBox open(m_open);
    bool accepted = false;
    const QString text = QInputDialog::getText(m_parent, titleOrApplication(title), prompt, QLineEdit::Normal,
                                               defaultText, &accepted);
    if (!accepted)
        return std::nullopt;
    return text;
}

} // namespace quorvin

#include "app/MessageBoxDialogs.h"

#include <QInputDialog>
#include <QLabel>
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
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool MessageBoxDialogs::confirm(const QString &text, const QString &title, Default defaultButton)
{
    const OpenBox open(m_open);
    QMessageBox box(QMessageBox::NoIcon, titleOrApplication(title), text, QMessageBox::Yes | QMessageBox::No,
                    m_parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton == Default::Yes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> MessageBoxDialogs::input(const QString &prompt, const QString &title,
                                                const QString &defaultText)
{
    const OpenBox open(m_open);
    QInputDialog box(m_parent);
    box.setWindowTitle(titleOrApplication(title));
    box.setLabelText(prompt);
    box.setTextValue(defaultText);
    for (QLabel *label : box.findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}

} // namespace quorvin

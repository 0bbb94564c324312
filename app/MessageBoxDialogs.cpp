#include "app/MessageBoxDialogs.h"
#include "kit/ScopedCount.h"

#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

namespace quorvin {

namespace {

QString titleOrApplication(const QString &title)
{
    return title.isEmpty() ? applicationTitle() : title;
}

} // namespace

void MessageBoxDialogs::message(const QString &text, const QString &title)
{
    const ScopedCount open(m_open); // the poll stays quiet while a box waits for the user
    QMessageBox box(QMessageBox::NoIcon, titleOrApplication(title), text, QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool MessageBoxDialogs::confirm(const QString &text, const QString &title, Default defaultButton)
{
    const ScopedCount open(m_open); // the poll stays quiet while a box waits for the user
    QMessageBox box(QMessageBox::NoIcon, titleOrApplication(title), text, QMessageBox::Yes | QMessageBox::No,
                    m_parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton == Default::Yes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> MessageBoxDialogs::input(const QString &prompt, const QString &title,
                                                const QString &defaultText)
{
    const ScopedCount open(m_open); // the poll stays quiet while a box waits for the user
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

#pragma once
#include "kit/Dialogs.h"

class QWidget;

namespace quorvin {

// The shipped boxes: modal QMessageBox and QInputDialog over the window.
class MessageBoxDialogs final : public Dialogs {
public:
    explicit MessageBoxDialogs(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) noexcept { m_parent = parent; }

    void message(const QString &text, const QString &title = {}) override;
    bool confirm(const QString &text, const QString &title, Default defaultButton = Default::Yes) override;
    std::optional<QString> input(const QString &prompt, const QString &title,
                                 const QString &defaultText) override;
    bool isShowing() const override { return m_open > 0; }

private:
    QWidget *m_parent;
    int m_open = 0;
};

} // namespace quorvin

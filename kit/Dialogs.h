#pragma once
#include <QString>
#include <optional>

namespace quorvin {

// The modal boxes the window shows; tests answer them through a stand-in. Their texts are plain text: names
// from the watched computer are never read as markup.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A box with only an OK button; an empty title shows the application's title.
    virtual void message(const QString &text, const QString &title = {}) = 0;
    enum class Default { Yes, No };
    // A box with Yes and No, and the button Enter presses; true for Yes.
    virtual bool confirm(const QString &text, const QString &title, Default defaultButton = Default::Yes) = 0;
    // A line of text; nothing when the user cancels.
    virtual std::optional<QString> input(const QString &prompt, const QString &title,
                                         const QString &defaultText) = 0;
    // True while one of these boxes is open.
    virtual bool isShowing() const = 0;
};

inline QString applicationTitle()
{
    return QStringLiteral("Quorvin");
}

} // namespace quorvin

#pragma once
#include <QObject>
#include <QTimer>

namespace quorvin {

// Stops the text cursor's blinking a while after the last input, as the desktop's own text fields do: a
// window left open all day should not repaint twice a second for a cursor nobody looks at. Any key, click or
// wheel turn starts it again.
class CursorBlinkTimeout final : public QObject {
public:
    explicit CursorBlinkTimeout(int idleMilliseconds = 10'000, QObject *parent = nullptr);
    ~CursorBlinkTimeout() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void stopBlinking();

    int m_flashTime; // the blinking the style asks for
    QTimer m_idle;
};

} // namespace quorvin

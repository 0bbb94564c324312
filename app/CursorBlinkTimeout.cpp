#include "app/CursorBlinkTimeout.h"

#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>

namespace quorvin {

CursorBlinkTimeout::CursorBlinkTimeout(int idleMilliseconds, QObject *parent)
    : QObject(parent), m_flashTime(QGuiApplication::styleHints()->cursorFlashTime())
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleMilliseconds);
    connect(&m_idle, &QTimer::timeout, this, &CursorBlinkTimeout::stopBlinking);
    QCoreApplication::instance()->installEventFilter(this);
    m_idle.start();
}

CursorBlinkTimeout::~CursorBlinkTimeout()
{
    QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
}

bool CursorBlinkTimeout::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::InputMethod:
        // The flash time is set only when it changes: each change restarts the blinking of the focused field.
        if (QGuiApplication::styleHints()->cursorFlashTime() != m_flashTime)
            QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
        m_idle.start();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

// A flash time of 0 shows the cursor steadily.
void CursorBlinkTimeout::stopBlinking()
{
    QGuiApplication::styleHints()->setCursorFlashTime(0);
}

} // namespace quorvin

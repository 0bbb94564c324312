#pragma once
#include "kit/TwipsGeometry.h"

#include <QFont>
#include <QRect>
#include <QString>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QTableView;
class QTimer;
class QWidget;

namespace quorvin {

class Twips;

// The design's default font; Times New Roman falls back to a metric-compatible serif.
QFont designFont(double points, bool bold = false);

constexpr double DefaultPoints = 12.0;
constexpr long ScrollBarColor = 0xC8C8C8; // the platform's scroll-bar colour in its default scheme

// Places a widget the way every control of the design is placed: on the form, or in a page's frame.
class Designer final {
public:
    Designer(QWidget *form, const Twips &twips) : m_form(form), m_twips(twips) {}

    template <typename W> W *place(W *widget, const char *name, QRect twipsRect)
    {
        widget->setObjectName(QString::fromLatin1(name));
        setTwipsGeometry(widget, twipsRect, m_twips);
        return widget;
    }

    QLabel *label(QWidget *parent, const char *name, const QString &caption, QRect r, QFont font,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop);
    // Pale-orange background, a single-line border and centred text.
    QLabel *titleLabel(QWidget *parent, const char *name, const QString &caption, QRect r, QFont font);
    QLineEdit *textBox(QWidget *parent, const char *name, const QString &text, QRect r, QFont font);
    QGroupBox *frame(const char *name, QRect r);
    QProgressBar *tallBar(QWidget *parent, const char *name, QRect r);
    // Without a model; the page gives it one.
    QTableView *grid(QWidget *parent, const char *name, QRect r);
    QTimer *timer(const char *name, int intervalMs, bool enabled);
    // Once every control is placed: a fixed caption wider than its control is narrowed a little rather than
    // cut off, as the serif that stands in for the design's font does not always keep its widths.
    void fitFixedCaptions();

    QWidget *form() const noexcept { return m_form; }
    const Twips &twips() const noexcept { return m_twips; }

private:
    QWidget *m_form;
    const Twips &m_twips;
};

} // namespace quorvin

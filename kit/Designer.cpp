#include "kit/Designer.h"
#include "kit/VbColor.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTableView>
#include <QTimer>

#include <algorithm>

namespace quorvin {

namespace {

void fitCaption(QWidget *control, const QString &text, int available)
{
    QFont font = control->font();
    const double needed = QFontMetricsF(font).horizontalAdvance(text);
    if (needed <= available || needed <= 0)
        return;
    font.setStretch(std::max(75, static_cast<int>(100.0 * available / needed)));
    control->setFont(font);
}

} // namespace

QFont designFont(double points, bool bold)
{
    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QLabel *Designer::label(QWidget *parent, const char *name, const QString &caption, QRect r, QFont font,
                        Qt::Alignment align)
{
    auto *l = place(new QLabel(caption, parent), name, r);
    l->setTextFormat(Qt::PlainText); // captions carry the watched computer's texts: never markup
    l->setFont(font);
    l->setAlignment(align);
    return l;
}

QLabel *Designer::titleLabel(QWidget *parent, const char *name, const QString &caption, QRect r, QFont font)
{
    QLabel *l = label(parent, name, caption, r, font, Qt::AlignCenter);
    l->setFrameShape(QFrame::Box);
    l->setLineWidth(1);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, colorFromValue(TitleBackground));
    p.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(p);
    return l;
}

QLineEdit *Designer::textBox(QWidget *parent, const char *name, const QString &text, QRect r, QFont font)
{
    auto *t = place(new QLineEdit(text, parent), name, r);
    t->setFont(font);
    return t;
}

QGroupBox *Designer::frame(const char *name, QRect r)
{
    auto *f = place(new QGroupBox(m_form), name, r);
    f->setFlat(false);
    return f;
}

QProgressBar *Designer::tallBar(QWidget *parent, const char *name, QRect r)
{
    auto *bar = place(new QProgressBar(parent), name, r);
    bar->setOrientation(Qt::Vertical);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

QTableView *Designer::grid(QWidget *parent, const char *name, QRect r)
{
    auto *g = place(new QTableView(parent), name, r);
    // Row 0 is an ordinary row that holds the titles, so the grid shows no header of its own.
    g->horizontalHeader()->hide();
    g->verticalHeader()->hide();
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setSelectionBehavior(QAbstractItemView::SelectItems);
    // A text wider than its cell is cut at the cell's edge, as the design's grid shows it, never shortened.
    g->setWordWrap(false);
    g->setTextElideMode(Qt::ElideNone);
    g->setFont(designFont(DefaultPoints));
    g->verticalHeader()->setDefaultSectionSize(QFontMetrics(g->font()).height() + 4);
    g->verticalHeader()->setMinimumSectionSize(1);
    return g;
}

QTimer *Designer::timer(const char *name, int intervalMs, bool enabled)
{
    auto *t = new QTimer(m_form);
    t->setObjectName(QString::fromLatin1(name));
    t->setInterval(intervalMs);
    if (enabled)
        t->start();
    return t;
}

void Designer::fitFixedCaptions()
{
    for (QLabel *label : m_form->findChildren<QLabel *>())
        if (!label->text().isEmpty())
            fitCaption(label, label->text(), label->contentsRect().width() - 2);
    for (QLineEdit *box : m_form->findChildren<QLineEdit *>())
        if (box->isReadOnly())
            fitCaption(box, box->text(), box->width() - 6);
}

} // namespace quorvin

#include "kit/TwipsGeometry.h"
#include "kit/Twips.h"

#include <QVariant>
#include <QWidget>

namespace quorvin {

namespace {
constexpr const char *Property = "twipsGeometry";
}

QRect twipsGeometry(const QWidget *control)
{
    return control->property(Property).toRect();
}

void setTwipsGeometry(QWidget *control, QRect r, const Twips &twips)
{
    control->setProperty(Property, r);
    control->setGeometry(twips.rect(r.x(), r.y(), r.width(), r.height()));
}

} // namespace quorvin

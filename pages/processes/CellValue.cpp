#include "pages/processes/CellValue.h"

namespace quorvin {

namespace {
int sign(double d) noexcept
{
    return (d > 0) - (d < 0);
}
} // namespace

int compare(const CellValue &a, const CellValue &b) noexcept
{
    if (a.isEmpty() && b.isEmpty())
        return 0;
    if (a.isText() || b.isText()) {
        if (a.isNumber())
            return -1;
        if (b.isNumber())
            return 1;
        const int c = QString::compare(a.m_text, b.m_text, Qt::CaseSensitive);
        return (c > 0) - (c < 0);
    }
    return sign(a.m_number - b.m_number);
}

} // namespace quorvin

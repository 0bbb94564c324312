#include "pages/processes/ShownTexts.h"

namespace quorvin {

void ShownTexts::prepare(std::size_t rows, const QLocale &locale)
{
    if (locale != m_locale) {
        m_slots.clear();
        m_locale = locale;
    }
    m_slots.resize(rows * m_columns);
}

} // namespace quorvin

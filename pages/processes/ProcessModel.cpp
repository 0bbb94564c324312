#include "pages/processes/ProcessModel.h"
#include "kit/NumberFormat.h"

namespace quorvin {

namespace {

constexpr int Columns = 5;

bool sameValue(const CellValue &a, const CellValue &b)
{
    return a.isNumber() == b.isNumber() && (!a.isNumber() || a.numberValue() == b.numberValue());
}

bool sameCell(const ProcessTable::Row &a, const ProcessTable::Row &b, int column)
{
    switch (column) {
    case 0:
        return a.name == b.name;
    case 1:
        return sameValue(a.id, b.id);
    case 2:
        return sameValue(a.utilization, b.utilization);
    case 3:
        return a.workingSet == b.workingSet;
    default:
        return a.pageFile == b.pageFile;
    }
}

std::vector<int> shownRows(const ProcessTable &table)
{
    std::vector<int> shown;
    shown.reserve(table.order().size());
    for (const int row : table.order())
        if (!table.rows()[static_cast<std::size_t>(row)].isIdleOrTotal())
            shown.push_back(row);
    return shown;
}

} // namespace

ProcessModel::ProcessModel(QObject *parent) : GridModel(Columns, parent) {}

void ProcessModel::show(ProcessTable table)
{
    std::vector<int> shown = shownRows(table);
    const QLocale locale;
    const bool relocalised = locale != m_locale;
    const auto changed = [&](int row, int column) {
        if (m_blank || (relocalised && column > 0))
            return true;
        return !sameCell(this->shown(row),
                         table.rows()[static_cast<std::size_t>(shown[static_cast<std::size_t>(row)])],
                         column);
    };
    replaceBody(bodyRows(), static_cast<int>(shown.size()), changed, [&] {
        m_table = std::move(table);
        m_shown = std::move(shown);
        m_blank = false;
        m_locale = locale;
    });
}

mgmt::Value ProcessModel::startTimeAt(int row) const
{
    return row >= 1 && row <= shownCount() ? shown(row - 1).startTime : mgmt::Value();
}

int ProcessModel::bodyRows() const
{
    return m_blank ? 1 : shownCount();
}

const ProcessTable::Row &ProcessModel::shown(int row) const
{
    return m_table.rows()[static_cast<std::size_t>(m_shown[static_cast<std::size_t>(row)])];
}

QString ProcessModel::bodyText(int row, int column) const
{
    if (m_blank)
        return {};
    const ProcessTable::Row &process = shown(row);
    switch (column) {
    case 0:
        return process.name;
    case 1:
        return plainInteger(process.id.numberValue());
    case 2:
        return process.utilization.isNumber() ? plainNumber(process.utilization.numberValue(), m_locale)
                                              : QString();
    case 3:
        return formatNumber(process.workingSet / 1024, 0, m_locale) + QStringLiteral("KB");
    default:
        return formatNumber(process.pageFile / 1024, 0, m_locale) + QStringLiteral("KB");
    }
}

} // namespace quorvin

#include "pages/services/ServiceModel.h"
#include "kit/VbColor.h"

#include <QBrush>

namespace quorvin {

namespace {

constexpr int Columns = 5;
constexpr long StartColor = 65280; // green
constexpr long StopColor = 4095;   // red

bool isStopped(const ServiceTable::Row &service)
{
    return service.status.trimmed().compare(QLatin1String("stopped"), Qt::CaseInsensitive) == 0;
}

// Whether the cell shows another text, told from the fields it is made of.
bool sameCell(const ServiceTable::Row &a, const ServiceTable::Row &b, int column)
{
    switch (column) {
    case 0:
        return a.caption == b.caption;
    case 1:
        return a.name == b.name;
    case 2:
        return a.startMode.trimmed() == b.startMode.trimmed();
    default:
        return isStopped(a) == isStopped(b);
    }
}

// The row shown at a place: the table's order maps places to rows.
const ServiceTable::Row &rowAt(const ServiceTable &table, int place)
{
    return table.rows()[static_cast<std::size_t>(table.order()[static_cast<std::size_t>(place)])];
}

} // namespace

ServiceModel::ServiceModel(QObject *parent) : GridModel(Columns, parent) {}

void ServiceModel::show(ServiceTable table)
{
    const auto changed = [&](int place, int column) {
        return m_blank || !sameCell(shown(place), rowAt(table, place), column);
    };
    int started = 0;
    for (const ServiceTable::Row &service : table.rows())
        started += isStopped(service) ? 0 : 1;
    replaceBody(bodyRows(), static_cast<int>(table.order().size()), changed, [&] {
        m_table = std::move(table);
        m_started = started;
        m_blank = false;
    });
}

int ServiceModel::bodyRows() const
{
    return m_blank ? 1 : shownCount();
}

const ServiceTable::Row &ServiceModel::shown(int row) const
{
    return rowAt(m_table, row);
}

QString ServiceModel::textOf(const ServiceTable::Row &service, int column)
{
    switch (column) {
    case 0:
        return service.caption.trimmed();
    case 1:
        return service.name.trimmed();
    case 2:
        return service.startMode.trimmed();
    case 3:
        return isStopped(service) ? QStringLiteral("Stopped") : QStringLiteral("Started");
    default:
        return isStopped(service) ? QStringLiteral("Start") : QStringLiteral("Stop");
    }
}

QString ServiceModel::bodyText(int row, int column) const
{
    return m_blank ? QString() : textOf(shown(row), column);
}

QVariant ServiceModel::bodyBackground(int row, int column) const
{
    if (m_blank || column != 4)
        return {};
    return QBrush(colorFromValue(isStopped(shown(row)) ? StartColor : StopColor));
}

} // namespace quorvin

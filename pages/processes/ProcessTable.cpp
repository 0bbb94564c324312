#include "pages/processes/ProcessTable.h"
#include "kit/ExchangeSort.h"
#include "kit/NumberFormat.h"
#include "kit/Utilization.h"
#include "mgmt/Convert.h"
#include "mgmt/Names.h"
#include "pages/processes/LastKeyOrder.h"
#include "pages/processes/ProcessSamples.h"

#include <algorithm>
#include <numeric>

namespace quorvin {

namespace {

std::optional<double> numericId(const mgmt::Value &value)
{
    if (value.isNumber())
        return value.number();
    if (value.isText())
        return mgmt::parseDecimal(value.text());
    return std::nullopt;
}

// The name trimmed and in upper case. Most names are plain ASCII, done in one pass without the Unicode
// tables.
QString shownName(const mgmt::Value &value)
{
    if (value.isText()) {
        const std::string &text = value.text();
        const auto isBlank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
        if (std::all_of(text.begin(), text.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
            std::size_t begin = 0, end = text.size();
            while (begin < end && isBlank(text[begin]))
                ++begin;
            while (end > begin && isBlank(text[end - 1]))
                --end;
            QString name(static_cast<qsizetype>(end - begin), Qt::Uninitialized);
            QChar *out = name.data();
            for (std::size_t i = begin; i < end; ++i) {
                const char c = text[i];
                *out++ = QLatin1Char(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
            }
            return name;
        }
    }
    return QString::fromStdString(mgmt::toText(value)).trimmed().toUpper();
}

} // namespace

CellValue ProcessTable::Row::column(int number) const
{
    switch (number) {
    case 1:
        return CellValue::text(name);
    case 2:
        return id;
    case 3:
        return utilization;
    case 4:
        return CellValue::number(workingSet);
    case 5:
        return CellValue::number(pageFile);
    default:
        return {};
    }
}

bool ProcessTable::Row::isIdleOrTotal() const
{
    return isTotal() || (id.isNumber() && id.numberValue() == 0 &&
                         name.compare(QLatin1String("IDLE"), Qt::CaseInsensitive) == 0);
}

bool ProcessTable::Row::isTotal() const
{
    return id.isNumber() && id.numberValue() == 0 &&
           name.compare(QLatin1String("_TOTAL"), Qt::CaseInsensitive) == 0;
}

void ProcessTable::fill(const std::vector<mgmt::Instance> &instances)
{
    m_rows.clear();
    m_rows.reserve(instances.size());
    m_order.clear();
    m_totals = {};
    const mgmt::PropertyKey idKey(mgmt::prop::IDprocess), nameKey(mgmt::prop::Name),
        workingSetKey(mgmt::prop::WorkingSet), pageFileKey(mgmt::prop::PageFileBytes),
        processorTimeKey(mgmt::prop::PercentProcessorTime), timestampKey(mgmt::prop::Timestamp),
        startKey(mgmt::prop::StartTime), threadsKey(mgmt::prop::ThreadCount),
        handlesKey(mgmt::prop::HandleCount);
    for (const mgmt::Instance &instance : instances) {
        const auto id = numericId(instance.get(idKey));
        if (!id)
            continue;
        Row &row = m_rows.emplace_back(); // filled where it stays
        row.name = shownName(instance.get(nameKey));
        row.id = CellValue::number(*id);
        row.workingSet = mgmt::toDouble(instance.get(workingSetKey));
        row.pageFile = mgmt::toDouble(instance.get(pageFileKey));
        row.processorTime = instance.get(processorTimeKey);
        row.timestamp = instance.get(timestampKey);
        if (const mgmt::Value *start = instance.find(startKey))
            row.startTime = *start;
        if (!row.isTotal()) {
            m_totals.processes += 1;
            m_totals.workingSet += row.workingSet;
            m_totals.pageFile += row.pageFile;
            m_totals.threads += mgmt::toDouble(instance.get(threadsKey));
            m_totals.handles += mgmt::toDouble(instance.get(handlesKey));
        }
    }
    m_order.resize(m_rows.size());
    std::iota(m_order.begin(), m_order.end(), 0);
}

double ProcessTable::utilization(double processorTimeDelta, double timestampDelta)
{
    return processUtilization(processorTimeDelta, timestampDelta);
}

void ProcessTable::computeUtilization(ProcessSamples &samples)
{
    for (Row &row : m_rows) {
        const double id = row.id.numberValue();
        if (ProcessSamples::Sample *previous = samples.find(id)) {
            ProcessSamples::Sample current{row.processorTime, row.timestamp};
            const double dT = current.timestamp.number() - previous->timestamp.number();
            if (dT == 0) {
                row.utilization = CellValue::number(0);
            } else {
                const double dP = current.processorTime.number() - previous->processorTime.number();
                row.utilization = CellValue::number(utilization(dP, dT));
            }
            *previous = std::move(current);
        } else {
            samples.add(id, {row.processorTime, row.timestamp});
        }
    }
}

void ProcessTable::sort(int sortColumn, std::optional<SortDirection> direction, LastKeyOrder *last)
{
    if (sortColumn < 1 || sortColumn > 5 || !direction)
        return;
    // The keys by place: a second sort starts from where the first left the rows, as an exchange sort does.
    std::vector<CellValue> keys;
    keys.reserve(m_rows.size());
    for (const int row : m_order)
        keys.push_back(m_rows[static_cast<std::size_t>(row)].column(sortColumn));
    // A column holds numbers (or nothing yet) or texts, never both, so its keys have one consistent order.
    const auto compareKeys = [&](int a, int b) {
        return compare(keys[static_cast<std::size_t>(a)], keys[static_cast<std::size_t>(b)]);
    };
    const int count = static_cast<int>(m_rows.size());
    std::vector<int> byKey;
    if (last) {
        std::vector<double> ids;
        ids.reserve(m_rows.size());
        for (const int row : m_order)
            ids.push_back(m_rows[static_cast<std::size_t>(row)].id.numberValue());
        byKey = orderOfKeys(count, compareKeys, last->guess(sortColumn, ids));
        last->remember(sortColumn, ids, byKey);
    } else {
        byKey = orderOfKeys(count, compareKeys);
    }
    m_order = placesMoved(m_order, exchangeSortOrder(ranksInOrder(byKey, compareKeys), *direction));
}

QString ProcessTable::summary(const QLocale &locale) const
{
    return plainInteger(m_totals.processes) + QStringLiteral(" Processes   ") +
           plainInteger(m_totals.threads) + QStringLiteral(" Threads   ") + plainInteger(m_totals.handles) +
           QStringLiteral(" Handles") + QStringLiteral("\r\n") +
           formatNumber(m_totals.workingSet / 1024, 0, locale) + QStringLiteral("KB Working Set    ") +
           formatNumber(m_totals.pageFile / 1024, 0, locale) + QStringLiteral("KB Page File");
}

} // namespace quorvin

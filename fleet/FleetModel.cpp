#include "fleet/FleetModel.h"
#include "kit/Clock.h"
#include "kit/DateTimeText.h"
#include "kit/NumberFormat.h"

#include <QBrush>
#include <QFont>
#include <QList>

#include <algorithm>
#include <array>
#include <cmath>

namespace quorvin::fleet {

namespace {

// Before the name of a marked row, so that the mark does not rest on colour alone.
const QString MarkSymbol = QStringLiteral("\u26A0 ");
const QColor MarkedBackground(0xFF, 0xE0, 0xC0);

QString percentText(double percent)
{
    return plainNumber(percent) + QStringLiteral("%");
}

QString upTimeText(double seconds)
{
    const auto total = static_cast<qint64>(seconds);
    const qint64 days = total / 86400;
    const QString clock = QStringLiteral("%1:%2:%3")
                              .arg(total % 86400 / 3600, 2, 10, QLatin1Char('0'))
                              .arg(total % 3600 / 60, 2, 10, QLatin1Char('0'))
                              .arg(total % 60, 2, 10, QLatin1Char('0'));
    return days > 0 ? QStringLiteral("%1d %2").arg(days).arg(clock) : clock;
}

// Text from a computer or its source, never read as markup: a tooltip takes text that looks like markup for
// rich text, so it is given as rich text that shows this text as it is.
QVariant toolTipOf(const QString &text)
{
    if (text.isEmpty())
        return {};
    return QStringLiteral("<p style='white-space:pre-wrap'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

QVariant numberOrNothing(const std::optional<double> &value)
{
    return value ? QVariant(*value) : QVariant();
}

QString text(const std::string &value)
{
    return QString::fromStdString(value);
}

bool isNumberColumn(int column)
{
    return column == FleetModel::UpTimeColumn || column == FleetModel::ProcessorColumn ||
           column == FleetModel::MemoryColumn || column == FleetModel::FreeMemoryColumn ||
           column == FleetModel::ProcessesColumn || column == FleetModel::ReceivedColumn ||
           column == FleetModel::SentColumn;
}

// The first and the last column whose cells a reading changes beside the reading before it, for a row that
// keeps its state and its mark: those that show a value that differs, or its reason, and the processor's,
// whose graph moves on with every reading.
std::pair<int, int> changedColumns(const ComputerReading &before, const ComputerReading &after)
{
    const bool system = before.systemWhy != after.systemWhy;
    const bool network = before.networkWhy != after.networkWhy;
    const std::array<bool, FleetModel::ColumnCount> changed{
        false,
        false,
        system || before.operatingSystem != after.operatingSystem,
        system || before.upSeconds != after.upSeconds,
        true,
        system || before.memoryPercent != after.memoryPercent,
        system || before.freeKilobytes != after.freeKilobytes,
        system || before.processes != after.processes,
        network || before.receivedBitsPerSecond != after.receivedBitsPerSecond,
        network || before.sentBitsPerSecond != after.sentBitsPerSecond,
        before.topProcess != after.topProcess || before.topProcessPercent != after.topProcessPercent ||
            before.topProcessWhy != after.topProcessWhy,
    };
    const auto first = std::find(changed.begin(), changed.end(), true);
    const auto last = std::find(changed.rbegin(), changed.rend(), true);
    return {static_cast<int>(first - changed.begin()), static_cast<int>(changed.rend() - last) - 1};
}

} // namespace

FleetModel::FleetModel(const Clock &clock, MarkThresholds thresholds, QObject *parent)
    : QAbstractTableModel(parent), m_clock(clock), m_thresholds(thresholds)
{
}

int FleetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int FleetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FleetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(isNumberColumn(section) ? Qt::AlignRight | Qt::AlignVCenter
                                                           : Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case ComputerColumn:
        return QStringLiteral("Computer");
    case StateColumn:
        return QStringLiteral("State");
    case SystemColumn:
        return QStringLiteral("Operating system");
    case UpTimeColumn:
        return QStringLiteral("Up time");
    case ProcessorColumn:
        return QStringLiteral("Processor");
    case MemoryColumn:
        return QStringLiteral("Memory");
    case FreeMemoryColumn:
        return QStringLiteral("Free memory");
    case ProcessesColumn:
        return QStringLiteral("Processes");
    case ReceivedColumn:
        return QStringLiteral("Received bits/s");
    case SentColumn:
        return QStringLiteral("Sent bits/s");
    case TopProcessColumn:
        return QStringLiteral("Top process");
    default:
        return {};
    }
}

QVariant FleetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    const Row &row = m_rows[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return display(row, column);
    case SortRole:
        return sortKey(row, column);
    case Qt::ToolTipRole:
        return toolTip(row, column);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(isNumberColumn(column) ? Qt::AlignRight | Qt::AlignVCenter
                                                          : Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        return isMarked(row) ? QVariant(QBrush(MarkedBackground)) : QVariant();
    case Qt::ForegroundRole:
        // Values that are no longer current, beside a state that says so.
        if (row.state != State::Watching && column != ComputerColumn && column != StateColumn)
            return QBrush(Qt::gray);
        return isMarked(row) ? QVariant(QBrush(Qt::black)) : QVariant();
    case Qt::FontRole:
        if ((column == ProcessorColumn && overProcessor(row)) ||
            (column == MemoryColumn && overMemory(row))) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case HistoryRole:
        if (column != ProcessorColumn)
            return {};
        {
            const std::vector<float> values = row.history.lastMinutes(m_clock.monotonicSeconds());
            return QVariant::fromValue(QList<float>(values.begin(), values.end()));
        }
    default:
        return {};
    }
}

QVariant FleetModel::display(const Row &row, int column) const
{
    const ComputerReading &r = row.reading;
    switch (column) {
    case ComputerColumn:
        return isMarked(row) ? MarkSymbol + row.name : row.name;
    case StateColumn:
        switch (row.state) {
        case State::Connecting:
            return QStringLiteral("Connecting");
        case State::Watching:
            return QStringLiteral("Watching");
        case State::Waiting:
            return QStringLiteral("Waiting since ") + localTimeText(row.since.time());
        case State::Unreachable:
            return QStringLiteral("Unreachable since ") + localTimeText(row.since.time());
        case State::AccessDenied:
            return QStringLiteral("Access denied");
        }
        return {};
    case SystemColumn:
        return text(r.operatingSystem);
    case UpTimeColumn:
        return r.upSeconds ? upTimeText(*r.upSeconds) : QString();
    case ProcessorColumn:
        return r.processorPercent ? percentText(*r.processorPercent) : QString();
    case MemoryColumn:
        return r.memoryPercent ? percentText(*r.memoryPercent) : QString();
    case FreeMemoryColumn:
        return r.freeKilobytes ? megabytesText(*r.freeKilobytes) : QString();
    case ProcessesColumn:
        return r.processes ? formatNumber(*r.processes, 0) : QString();
    case ReceivedColumn:
        return r.receivedBitsPerSecond ? formatNumber(*r.receivedBitsPerSecond, 0) : QString();
    case SentColumn:
        return r.sentBitsPerSecond ? formatNumber(*r.sentBitsPerSecond, 0) : QString();
    case TopProcessColumn:
        if (!r.topProcessPercent)
            return QString();
        return text(r.topProcess) + QStringLiteral(" (") + percentText(*r.topProcessPercent) +
               QLatin1Char(')');
    default:
        return {};
    }
}

QVariant FleetModel::sortKey(const Row &row, int column) const
{
    const ComputerReading &r = row.reading;
    switch (column) {
    case ComputerColumn:
        return row.name;
    case StateColumn:
        return static_cast<int>(row.state);
    case SystemColumn:
        return r.operatingSystem.empty() ? QVariant() : QVariant(text(r.operatingSystem));
    case UpTimeColumn:
        return numberOrNothing(r.upSeconds);
    case ProcessorColumn:
        return numberOrNothing(r.processorPercent);
    case MemoryColumn:
        return numberOrNothing(r.memoryPercent);
    case FreeMemoryColumn:
        return numberOrNothing(r.freeKilobytes);
    case ProcessesColumn:
        return numberOrNothing(r.processes);
    case ReceivedColumn:
        return numberOrNothing(r.receivedBitsPerSecond);
    case SentColumn:
        return numberOrNothing(r.sentBitsPerSecond);
    case TopProcessColumn:
        return numberOrNothing(r.topProcessPercent);
    default:
        return {};
    }
}

QVariant FleetModel::toolTip(const Row &row, int column) const
{
    const ComputerReading &r = row.reading;
    switch (column) {
    case StateColumn:
        return toolTipOf(row.why);
    case SystemColumn:
    case UpTimeColumn:
    case MemoryColumn:
    case FreeMemoryColumn:
    case ProcessesColumn:
        return toolTipOf(text(r.systemWhy));
    case ProcessorColumn:
        return toolTipOf(text(r.processorWhy));
    case ReceivedColumn:
    case SentColumn:
        return toolTipOf(text(r.networkWhy));
    case TopProcessColumn:
        return toolTipOf(text(r.topProcessWhy));
    default:
        return {};
    }
}

bool FleetModel::overProcessor(const Row &row) const
{
    return row.state == State::Watching && row.reading.processorPercent &&
           *row.reading.processorPercent > m_thresholds.processor;
}

bool FleetModel::overMemory(const Row &row) const
{
    return row.state == State::Watching && row.reading.memoryPercent &&
           *row.reading.memoryPercent > m_thresholds.memory;
}

bool FleetModel::isMarked(const Row &row) const
{
    return overProcessor(row) || overMemory(row);
}

bool FleetModel::marked(int row) const
{
    return isMarked(m_rows.at(static_cast<std::size_t>(row)));
}

int FleetModel::addComputer(const QString &name)
{
    const int row = rowCount();
    beginInsertRows({}, row, row);
    m_rows.emplace_back().name = name;
    m_rowOfName.insert(name, row);
    endInsertRows();
    return row;
}

void FleetModel::removeComputer(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    m_rowOfName.clear();
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_rowOfName.insert(m_rows[i].name, static_cast<int>(i));
    endRemoveRows();
}

int FleetModel::rowOf(const QString &name) const
{
    return m_rowOfName.value(name, -1);
}

QString FleetModel::nameAt(int row) const
{
    return m_rows.at(static_cast<std::size_t>(row)).name;
}

FleetModel::State FleetModel::stateAt(int row) const
{
    return m_rows.at(static_cast<std::size_t>(row)).state;
}

void FleetModel::setReading(int row, const ComputerReading &reading)
{
    Row &r = m_rows.at(static_cast<std::size_t>(row));
    const bool wasWatched = r.state == State::Watching, wasMarked = isMarked(r);
    const auto [first, last] = changedColumns(r.reading, reading);
    r.reading = reading;
    r.state = State::Watching;
    r.why.clear();
    if (reading.processorPercent)
        r.history.add(m_clock.monotonicSeconds(), *reading.processorPercent);
    // A new state or mark colours every cell; otherwise only the cells that changed are painted again, and
    // the name, the state and the system, wide and steady, are left as they are.
    if (!wasWatched || isMarked(r) != wasMarked)
        changed(row);
    else
        emit dataChanged(index(row, first), index(row, last));
}

void FleetModel::setFailure(int row, Failure failure, const QString &why)
{
    Row &r = m_rows.at(static_cast<std::size_t>(row));
    const State state = failure == Failure::AccessDenied ? State::AccessDenied : State::Unreachable;
    if (r.state != state)
        r.since = m_clock.now();
    r.state = state;
    r.why = why;
    changed(row);
}

void FleetModel::setWaiting(int row, const QDateTime &since)
{
    Row &r = m_rows.at(static_cast<std::size_t>(row));
    if (r.state != State::Watching)
        return;
    r.state = State::Waiting;
    r.since = since;
    r.why = QStringLiteral("The last reading has not come back yet.");
    changed(row);
}

void FleetModel::changed(int row)
{
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

} // namespace quorvin::fleet

#pragma once
#include "fleet/ComputerReading.h"
#include "fleet/ProcessorHistory.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <vector>

namespace quorvin {
class Clock;
}

namespace quorvin::fleet {

// Percentages of processor and memory use above which a row is marked.
struct MarkThresholds {
    double processor = 90;
    double memory = 90;
};

// The rows of the fleet window, one per computer in the order of the list: what its last reading gave and
// the state of its watch. Cells are formatted as the Quorvin window formats the same values, when the view
// paints them; each change signals its own row only, and a reading only the cells it changed. Rows above a
// threshold of processor or memory use are marked by colour and by a symbol before the name; values of a
// computer that no longer answers stay, greyed, beside the state that says since when.
class FleetModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        ComputerColumn,
        StateColumn,
        SystemColumn,
        UpTimeColumn,
        ProcessorColumn,
        MemoryColumn,
        FreeMemoryColumn,
        ProcessesColumn,
        ReceivedColumn,
        SentColumn,
        TopProcessColumn,
        ColumnCount
    };
    // What a column sorts by: a number, a text, or nothing (an empty cell).
    static constexpr int SortRole = Qt::UserRole;
    // Of the processor column: the load of the last ten minutes, oldest first (QList<float>, NaN for none).
    static constexpr int HistoryRole = Qt::UserRole + 1;

    enum class State { Connecting, Watching, Waiting, Unreachable, AccessDenied };

    explicit FleetModel(const Clock &clock, MarkThresholds thresholds = MarkThresholds(),
                        QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Appends a row; returns its number.
    int addComputer(const QString &name);
    void removeComputer(int row);
    // -1 when the name has no row.
    int rowOf(const QString &name) const;
    QString nameAt(int row) const;
    State stateAt(int row) const;

    void setReading(int row, const ComputerReading &reading);
    // Unreachable or access denied since the first failure in a row of failures.
    void setFailure(int row, Failure failure, const QString &why);
    // A computer that was watched and whose reading is out since `since`.
    void setWaiting(int row, const QDateTime &since);

    bool marked(int row) const;

private:
    struct Row {
        QString name;
        State state = State::Connecting;
        QDateTime since;
        QString why;
        ComputerReading reading;
        ProcessorHistory history;
    };

    QVariant display(const Row &row, int column) const;
    QVariant sortKey(const Row &row, int column) const;
    QVariant toolTip(const Row &row, int column) const;
    bool overProcessor(const Row &row) const;
    bool overMemory(const Row &row) const;
    bool isMarked(const Row &row) const;
    void changed(int row);

    const Clock &m_clock;
    MarkThresholds m_thresholds;
    std::vector<Row> m_rows;
    QHash<QString, int> m_rowOfName;
};

} // namespace quorvin::fleet

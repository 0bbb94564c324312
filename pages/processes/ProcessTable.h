#pragma once
#include "kit/SortDirection.h"
#include "mgmt/Instance.h"
#include "pages/processes/CellValue.h"

#include <QLocale>
#include <QString>
#include <optional>
#include <vector>

namespace quorvin {

class LastKeyOrder;
class ProcessSamples;

// One refresh's working table of processes: filled from the query, given each process's processor use,
// sorted, and summed up.
class ProcessTable final {
public:
    struct Row {
        QString name;              // column 1: trimmed, upper case
        CellValue id;              // column 2
        CellValue utilization;     // column 3: empty until a second sample exists
        double workingSet = 0;     // column 4, bytes
        double pageFile = 0;       // column 5, bytes
        mgmt::Value processorTime; // column 6, as delivered
        mgmt::Value timestamp;     // column 7, as delivered
        mgmt::Value startTime;     // with the ID, names the process shown; null where the computer gives none

        CellValue column(int number) const;
        // The counters' pseudo-entries, not processes: a process of that name is shown like any other.
        bool isIdleOrTotal() const;
        bool isTotal() const; // not counted in the totals, which it sums up itself
    };

    struct Totals {
        double processes = 0, workingSet = 0, pageFile = 0, threads = 0, handles = 0;
    };

    // Instances whose IDprocess is not numeric are left out; _Total is not counted in the totals.
    void fill(const std::vector<mgmt::Instance> &instances);
    // Column 3 from each process's previous sample; every row's sample then replaces or joins the table.
    void computeUtilization(ProcessSamples &samples);
    // The order of the rows by one column, as the exchange sort leaves them, ties included; the rows stay
    // where they are. No direction, or a column out of range, leaves the order as it was. last: where the
    // last refresh's sort left the keys, to start from; the order ends the same without it.
    void sort(int sortColumn, std::optional<SortDirection> direction, LastKeyOrder *last = nullptr);
    QString summary(const QLocale &locale = QLocale()) const;

    // In the order the query gave them.
    const std::vector<Row> &rows() const noexcept { return m_rows; }
    std::vector<Row> &rows() noexcept { return m_rows; }
    // Element k: the index of the row at place k of the sort.
    const std::vector<int> &order() const noexcept { return m_order; }
    const Totals &totals() const noexcept { return m_totals; }

    // 100 × dP / dT rounded to two decimals, the way the table has always rounded it.
    static double utilization(double processorTimeDelta, double timestampDelta);

private:
    std::vector<Row> m_rows;
    std::vector<int> m_order;
    Totals m_totals;
};

} // namespace quorvin

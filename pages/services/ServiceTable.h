#pragma once
#include "kit/SortDirection.h"
#include "mgmt/Instance.h"

#include <QString>
#include <optional>
#include <vector>

namespace quorvin {

// One refresh's table of services, sorted on one of its four fields.
class ServiceTable final {
public:
    struct Row {
        QString caption;   // field 1
        QString name;      // field 2
        QString startMode; // field 3, as read
        QString status;    // field 4: "Started" or "Stopped"

        const QString &field(int number) const;
    };

    // A service without a caption, name or start mode shows empty text there.
    void fill(const std::vector<mgmt::Instance> &instances);
    // The order of the rows by one field; the rows stay where they are. Keys are compared in lower case,
    // character by character; equal keys are never exchanged. No direction, or a field out of range, leaves
    // the order as it was.
    void sort(int sortColumn, std::optional<SortDirection> direction);

    // In the order the query gave them.
    const std::vector<Row> &rows() const noexcept { return m_rows; }
    // Element k: the index of the row at place k of the sort.
    const std::vector<int> &order() const noexcept { return m_order; }

private:
    std::vector<Row> m_rows;
    std::vector<int> m_order;
};

} // namespace quorvin

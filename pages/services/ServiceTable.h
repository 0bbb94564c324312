#pragma once
#include "mgmt/Instance.h"

#include <QString>
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
    // Keys are compared in lower case, character by character; equal keys are never exchanged.
    void sort(int sortColumn, const QString &sortOrder);

    const std::vector<Row> &rows() const noexcept { return m_rows; }

private:
    std::vector<Row> m_rows;
};

} // namespace quorvin

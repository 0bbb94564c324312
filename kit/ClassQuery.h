#pragma once
#include "mgmt/Instance.h"

#include "mgmt/Source.h"

#include <QString>
#include <memory>
#include <string_view>
#include <vector>

namespace quorvin {

// One class's instances, with the connection they came through: it stays open while their methods may be
// invoked.
struct QueryAnswer {
    std::unique_ptr<mgmt::Service> connection;
    std::vector<mgmt::Instance> instances;
};

// What a page asks of a computer: a connection made from the moniker, then one class's instances. Errors pass
// to the caller.
QueryAnswer instancesOf(mgmt::Source &source, const QString &moniker, std::string_view className);

// The same through the query "Select * from CLASS"; with a name, the page's condition is followed by the name
// quoted, so that a quote in it is matched literally and never ends the query early.
QueryAnswer selectAll(mgmt::Source &source, const QString &moniker, std::string_view className);
QueryAnswer selectNamed(mgmt::Source &source, const QString &moniker, std::string_view className,
                        std::string_view condition, const QString &name);

} // namespace quorvin

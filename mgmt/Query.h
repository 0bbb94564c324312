#pragma once
#include "mgmt/Instance.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvin::mgmt {

// "select * from CLASS", optionally followed by "where name = 'X'" (blanks around "=" optional).
struct Query {
    std::string className;
    std::optional<std::string> nameEquals; // with \' and \\ already undone
};

// Throws "Invalid query" for any other text.
Query parseQuery(std::string_view text);

// Writes a name for the quotes of a where-name query: ' becomes \' and \ becomes \\.
std::string quoteQueryName(std::string_view name);

// How a where-name value is compared with the instances' names: without regard to case, as the management
// service does, or exactly, where names that differ in case name different things.
enum class NameMatch { IgnoringCase, Exact };

// What the query answers from all the instances of its class: those whose Name equals the where-name value,
// or all of them.
std::vector<Instance> answerOf(const Query &query, std::vector<Instance> instances,
                               NameMatch match = NameMatch::IgnoringCase);

// What one entry of Service::instancesOfEach asks for: a class name alone stands for all its instances, any
// other text is read as a query (and raises "Invalid query" as parseQuery does).
Query askOf(std::string_view classNameOrQuery);

// The query that instancesOf(className) stands for, and the one for its instance of that name alone.
std::string classQuery(std::string_view className);
std::string classQuery(std::string_view className, std::string_view name);

} // namespace quorvin::mgmt

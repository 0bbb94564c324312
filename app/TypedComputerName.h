#pragma once
#include <QString>

namespace quorvin {

// A typed computer name as the window keeps it: the host upper-cased, as the window shows host names, and
// what is not a host name as typed. Host names are case-blind; a user name ("Bob@host") and a collector's
// attributes ("pcp://web1?username=Bob&password=...") are not.
QString withHostUpperCased(const QString &name);

} // namespace quorvin

#pragma once
#include <string>

namespace quorvin {

class Dialogs;

// Asks the user whether to trust a computer's host key that known_hosts does not hold yet, showing its
// fingerprint; Yes records it there.
class HostKeyQuestion final {
public:
    explicit HostKeyQuestion(Dialogs &dialogs) : m_dialogs(dialogs) {}
    bool operator()(const std::string &computer, const std::string &keyType,
                    const std::string &fingerprint) const;

private:
    Dialogs &m_dialogs;
};

} // namespace quorvin

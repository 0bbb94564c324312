#pragma once
#include <string>
#include <string_view>

namespace quorvin::mgmt {

// "winmgmts://NAME" and "winmgmts:{impersonationLevel=Impersonate}!\\NAME\root\cimv2".
struct Moniker {
    std::string computer; // empty for the local computer
    bool impersonating = false;
};

// Throws "Invalid syntax" for text that is neither form.
Moniker parseMoniker(std::string_view text);

// True for the names that mean this computer itself: empty, ".", "localhost" or its host name, in any case.
bool isLocalComputerName(std::string_view computer, std::string_view hostName);

} // namespace quorvin::mgmt

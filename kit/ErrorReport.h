#pragma once
#include "mgmt/Error.h"
#include <QString>
#include <functional>

namespace quorvin {

struct FormState;
class Dialogs;
class RealTimeSwitch;

// The common way a refresh ends on a failure: one message, and Real Time Mode off so that the poll stops
// repeating the failing call. A computer that cannot be reached (462) gets its own words.
class ErrorReport final {
public:
    // What the exit does besides the message, in its order.
    enum class Policy {
        // Real Time Mode off and the box cleared, then the message; 462 also frees the computer name box.
        SwitchOffFirst,
        // The message, then Real Time Mode off and the box cleared; 462 switches off first and frees the box.
        ReportFirst,
        // As ReportFirst, but 462 only pauses the poll: the box stays ticked until the user ticks it anew.
        ReportFirstPauseIfUnreachable,
    };

    ErrorReport(FormState &state, RealTimeSwitch &realTime, Dialogs &dialogs);

    void report(Policy policy, const mgmt::Error &error);

    // Runs a routine's body under its error exit: nothing it raises leaves it.
    void guard(Policy policy, const std::function<void()> &body);

    static QString notFoundText();
    static QString otherErrorText(const mgmt::Error &error);
    static QString otherErrorTitle();

private:
    FormState &m_state;
    RealTimeSwitch &m_realTime;
    Dialogs &m_dialogs;
};

} // namespace quorvin

#pragma once
#include "mgmt/Error.h"
#include <QString>
#include <functional>

namespace quorvin {

struct Controls;
struct FormState;
class Dialogs;

// The one way General, RefreshProcessor and RefreshServices end on a failure: a message, and Real Time Mode
// off.
class ErrorReport final {
public:
    enum class Routine { General, RefreshProcessor, RefreshServices };

    ErrorReport(FormState &state, const Controls &controls, Dialogs &dialogs);

    void report(Routine routine, const mgmt::Error &error);

    // Runs a routine's body under its error exit: nothing it raises leaves it.
    void guard(Routine routine, const std::function<void()> &body);

    static QString notFoundText();
    static QString otherErrorText(const mgmt::Error &error);
    static QString otherErrorTitle();

private:
    FormState &m_state;
    const Controls &m_controls;
    Dialogs &m_dialogs;
};

} // namespace quorvin

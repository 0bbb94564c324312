#include "kit/ErrorReport.h"
#include "kit/Dialogs.h"
#include "kit/FormState.h"
#include "kit/RealTimeSwitch.h"

namespace quorvin {

ErrorReport::ErrorReport(FormState &state, RealTimeSwitch &realTime, Dialogs &dialogs)
    : m_state(state), m_realTime(realTime), m_dialogs(dialogs)
{
}

QString ErrorReport::notFoundText()
{
    return QStringLiteral("Computer Name Entered Was Not Found, Please Check");
}

QString ErrorReport::otherErrorText(const mgmt::Error &error)
{
    return QStringLiteral("The Following Error Has occured:") + QString::number(error.number()) +
           QLatin1Char(' ') + QString::fromStdString(error.description());
}

QString ErrorReport::otherErrorTitle()
{
    return QStringLiteral("Application Error");
}

void ErrorReport::report(Policy policy, const mgmt::Error &error)
{
    // Clearing the box runs the Real Time Mode switch, which enables txtComp (and the graph settings on page
    // 2).
    const auto switchOff = [this](bool clearBox, bool enableComputerBox) {
        m_state.RealTimeMode = false;
        if (clearBox)
            m_realTime.clearBox();
        if (enableComputerBox)
            m_realTime.freeComputerName();
    };

    if (error.number() == mgmt::err::RemoteServerUnavailable) {
        // The processor page leaves the box ticked: the user clears and ticks it again to resume.
        const bool keepsBox = policy == Policy::ReportFirstPauseIfUnreachable;
        switchOff(!keepsBox, !keepsBox);
        m_dialogs.message(notFoundText());
        return;
    }
    if (policy == Policy::SwitchOffFirst) {
        switchOff(true, false);
        m_dialogs.message(otherErrorText(error), otherErrorTitle());
        return;
    }
    m_dialogs.message(otherErrorText(error), otherErrorTitle());
    switchOff(true, false);
}

void ErrorReport::guard(Policy policy, const std::function<void()> &body)
{
    try {
        body();
    } catch (const mgmt::Error &error) {
        report(policy, error);
    } catch (const std::exception &error) {
        report(policy, mgmt::Error(mgmt::err::Failed, error.what()));
    } catch (...) {
        report(policy, mgmt::Error(mgmt::err::Failed, "An unknown error occurred."));
    }
}

} // namespace quorvin

#include "app/ErrorReport.h"
#include "app/Controls.h"
#include "app/Dialogs.h"
#include "app/FormState.h"

#include <QCheckBox>
#include <QLineEdit>

namespace quorvin {

ErrorReport::ErrorReport(FormState &state, const Controls &controls, Dialogs &dialogs)
    : m_state(state), m_controls(controls), m_dialogs(dialogs)
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

void ErrorReport::report(Routine routine, const mgmt::Error &error)
{
    // Clearing the box runs the Real Time Mode switch, which enables txtComp (and the graph settings on page
    // 2).
    const auto switchOff = [this](bool clearBox, bool enableComputerBox) {
        m_state.RealTimeMode = false;
        if (clearBox)
            m_controls.chkRealTime->setChecked(false);
        if (enableComputerBox)
            m_controls.txtComp->setEnabled(true);
    };

    if (error.number() == mgmt::err::RemoteServerUnavailable) {
        // The processor page leaves the box ticked: the user clears and ticks it again to resume.
        const bool keepsBox = routine == Routine::RefreshProcessor;
        switchOff(!keepsBox, !keepsBox);
        m_dialogs.message(notFoundText());
        return;
    }
    if (routine == Routine::General) {
        switchOff(true, false);
        m_dialogs.message(otherErrorText(error), otherErrorTitle());
        return;
    }
    m_dialogs.message(otherErrorText(error), otherErrorTitle());
    switchOff(true, false);
}

void ErrorReport::guard(Routine routine, const std::function<void()> &body)
{
    try {
        body();
    } catch (const mgmt::Error &error) {
        report(routine, error);
    } catch (const std::exception &error) {
        report(routine, mgmt::Error(mgmt::err::Failed, error.what()));
    } catch (...) {
        report(routine, mgmt::Error(mgmt::err::Failed, "An unknown error occurred."));
    }
}

} // namespace quorvin

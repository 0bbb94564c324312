#include "app/AppIcon.h"
#include "app/CommandLine.h"
#include "app/CursorBlinkTimeout.h"
#include "app/HostKeyQuestion.h"
#include "app/MessageBoxDialogs.h"
#include "app/SourceFactory.h"
#include "app/Usage.h"
#include "app/frmQuorvin.h"
#include "kit/Clock.h"
#include "kit/Environment.h"
#include "kit/ErrorReport.h"

#include <QApplication>
#include <QMessageBox>
#include <iostream>

#include <csignal>

using namespace quorvin;

namespace {

// Without its first sample the window does not open: say why, and leave with a failure status.
int cannotStart(const QString &why)
{
    QMessageBox box(QMessageBox::Critical, applicationTitle(),
                    QStringLiteral("Quorvin cannot start.\n\n") + why);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    // Answered before Qt starts, so that they need no display.
    if (const auto text = informationRequested(argc, argv)) {
        std::cout << *text;
        return 0;
    }
    // A peer that closes a socket while we write to it is an error to report, never the end of the program.
    std::signal(SIGPIPE, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(applicationTitle());
    QApplication::setWindowIcon(appIcon());
    const CursorBlinkTimeout cursorBlinkTimeout;
    try {
        MessageBoxDialogs dialogs;
        const auto source = createSource(HostKeyQuestion(dialogs));
        SystemClock clock;
        SystemEnvironment environment;
        frmQuorvin form(*source, dialogs, clock, environment);
        dialogs.setParent(&form);
        form.Form_Load(argumentText(QCoreApplication::arguments()));
        form.show();
        return QApplication::exec();
    } catch (const mgmt::Error &error) {
        return cannotStart(error.number() == mgmt::err::RemoteServerUnavailable
                               ? ErrorReport::notFoundText()
                               : ErrorReport::otherErrorText(error));
    } catch (const std::exception &error) {
        return cannotStart(ErrorReport::otherErrorText(mgmt::Error(mgmt::err::Failed, error.what())));
    } catch (...) {
        return cannotStart(
            ErrorReport::otherErrorText(mgmt::Error(mgmt::err::Failed, "An unknown error occurred.")));
    }
}

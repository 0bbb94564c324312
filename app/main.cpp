#include "app/AppIcon.h"
#include "app/Clock.h"
#include "app/CommandLine.h"
#include "app/Environment.h"
#include "app/HostKeyQuestion.h"
#include "app/ErrorReport.h"
#include "app/MessageBoxDialogs.h"
#include "app/Usage.h"
#include "app/frmQuorvin.h"
#include "mgmt/SourceFactory.h"

#include <QApplication>
#include <QMessageBox>
#include <iostream>

using namespace quorvin;

int main(int argc, char *argv[])
{
    // Answered before Qt starts, so that they need no display.
    if (const auto text = informationRequested(argc, argv)) {
        std::cout << *text;
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(applicationTitle());
    QApplication::setWindowIcon(appIcon());
    try {
        MessageBoxDialogs dialogs;
        const auto source = mgmt::createSource(HostKeyQuestion(dialogs));
        SystemClock clock;
        SystemEnvironment environment;
        frmQuorvin form(*source, dialogs, clock, environment);
        dialogs.setParent(&form);
        form.Form_Load(argumentText(QCoreApplication::arguments()));
        form.show();
        return QApplication::exec();
    } catch (const mgmt::Error &error) {
        // Without its first sample the window does not open: say why, and leave with a failure status.
        const QString text = error.number() == mgmt::err::RemoteServerUnavailable
                                 ? ErrorReport::notFoundText()
                                 : ErrorReport::otherErrorText(error);
        QMessageBox::critical(nullptr, applicationTitle(),
                              QStringLiteral("Quorvin cannot start.\n\n") + text);
        return 1;
    }
}

#include "app/AppIcon.h"
#include "app/CursorBlinkTimeout.h"
#include "app/MessageBoxDialogs.h"
#include "fleet/ComputerSources.h"
#include "fleet/Fleet.h"
#include "fleet/FleetCommandLine.h"
#include "fleet/FleetWindow.h"
#include "fleet/HostKeyRelay.h"
#include "kit/Clock.h"

#include <QApplication>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>

using namespace quorvin;
using namespace quorvin::fleet;

int main(int argc, char *argv[])
{
    // Answered before Qt starts, so that --help and --version need no display.
    const CommandLineResult command = parseFleetCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!command.options) {
        (command.toErrorOutput ? std::cerr : std::cout) << command.print;
        return command.status;
    }
    const FleetOptions &options = *command.options;
    QStringList computers;
    for (const std::string &computer : options.computers) {
        computers << QString::fromStdString(computer);
        if (const auto why = ComputerList::whyNoComputerName(computers.back())) {
            std::cerr << "quorvin-fleet: \"" << computer << "\" cannot be watched: " << why->toStdString()
                      << "\n";
            return 2;
        }
    }
    // A peer that closes a socket while we write to it is an error to report, never the end of the program.
    std::signal(SIGPIPE, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvin Fleet"));
    QApplication::setWindowIcon(appIcon());
    const CursorBlinkTimeout cursorBlinkTimeout;

    MessageBoxDialogs dialogs;
    HostKeyRelay relay(dialogs);
    SystemClock clock;
    Fleet::Settings settings;
    settings.thresholds = {options.processorAlert, options.memoryAlert};
    Fleet fleet(computerSources(relay.question()), clock, settings);
    std::optional<ComputerListFile> file;
    if (computers.isEmpty())
        file = ComputerListFile(
            options.file.empty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                                       QStringLiteral("/quorvin/fleet")
                                 : QString::fromStdString(options.file));
    FleetWindow window(fleet, file, dialogs, &openInQuorvin);
    dialogs.setParent(&window);
    window.show();
    window.start(computers);
    const int status = QApplication::exec();

    // A worker waiting on a computer that stopped answering ends within the sources' own limits; the window
    // is gone meanwhile, and the program does not wait for it: nothing is left to save.
    window.hide();
    relay.close();
    if (!fleet.stop(std::chrono::seconds(2))) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}

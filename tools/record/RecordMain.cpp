#include "app/SourceFactory.h"
#include "app/Usage.h"
#include "mgmt/Error.h"
#include "tools/record/Recorder.h"
#include "tools/record/RecordingFile.h"

#include <cstdlib>
#include <iostream>
#include <thread>
#include <unistd.h>

using namespace quorvin;

namespace {

const char *const Usage = "usage: quorvin-record [--computer NAME] [--name NAME] [--samples N] "
                          "[--interval-ms MS] OUTPUT.json [CLASS...]\n"
                          "       quorvin-record --help | --version\n"
                          "Samples the management classes of a computer (this one by default) and writes "
                          "them as a recorded data set.\n";

const std::vector<std::string> AllClasses = {"win32_operatingsystem",
                                             "Win32_PerfRawData_PerfOS_Processor",
                                             "win32_Processor",
                                             "Win32_PerfRawData_PerfProc_Process",
                                             "Win32_Process",
                                             "Win32_Service",
                                             "Win32_PerfRawData_Tcpip_NetworkInterface"};

// A host key that known_hosts does not hold is accepted only by the person at the terminal.
bool askOnTerminal(const std::string &computer, const std::string &keyType, const std::string &fingerprint)
{
    if (!isatty(STDIN_FILENO))
        return false;
    std::cerr << "The host key of " << computer << " is not known yet.\n"
              << keyType << " key fingerprint: " << fingerprint
              << "\nRecord it in known_hosts and connect? [y/N] ";
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

int fail(const std::string &why)
{
    std::cerr << "quorvin-record: " << why << "\n" << Usage;
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    tools::Recorder::Options options;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (arg == "--computer")
            options.moniker = "winmgmts://" + value();
        else if (arg == "--name")
            options.recordedName = value();
        else if (arg == "--samples")
            options.samples = std::atoi(value().c_str());
        else if (arg == "--interval-ms")
            options.interval = std::chrono::milliseconds(std::atoi(value().c_str()));
        else if (arg == "-h" || arg == "--help")
            return std::cout << Usage, 0;
        else if (arg == "--version")
            return std::cout << "quorvin-record " << versionNumber() << "\n", 0;
        else if (output.empty())
            output = arg;
        else
            options.classes.push_back(arg);
    }
    if (output.empty())
        return fail("no output file given");
    if (options.samples < 1 || options.interval.count() < 0 || options.recordedName.empty())
        return fail("samples must be at least 1, the interval 0 or more, and the name not empty");
    if (options.classes.empty())
        options.classes = AllClasses;
    // Nothing escapes as an abort, and the output is replaced only by a whole recording.
    try {
        const auto source = createSource(askOnTerminal);
        tools::Recorder recorder(*source, options);
        const auto recording = recorder.record([](auto ms) { std::this_thread::sleep_for(ms); });
        for (const std::string &cls : recorder.skipped())
            std::cerr << "quorvin-record: " << cls << " is not answered here; left out\n";
        try {
            tools::writeRecording(output, recording);
        } catch (const std::exception &e) {
            std::cerr << "quorvin-record: " << e.what() << "\n";
            return 2;
        }
    } catch (const mgmt::Error &e) {
        std::cerr << "quorvin-record: " << e.number() << " " << e.description() << "\n";
        return 1;
    } catch (const std::exception &e) {
        std::cerr << "quorvin-record: " << e.what() << "\n";
        return 1;
    } catch (...) {
        std::cerr << "quorvin-record: an unknown error occurred\n";
        return 1;
    }
    return 0;
}

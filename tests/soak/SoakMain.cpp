// The window driven through many poll ticks, switching pages, with its resident memory, open descriptors and
// heap use printed at the start, after warm-up and at the end. Run by ./dev.sh soak; not a CTest test.
//   QUORVIN_SOAK_TICKS     ticks for each source (default 100000)
//   QUORVIN_SOAK_RECORDING a recording whose answers change every second (tools/recordings/make_churn.py)

#include "PrivateBus.h"
#include "mgmt/local/LocalSource.h"
#include "mgmt/replay/ReplaySource.h"
#include "support/WindowHarness.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QSysInfo>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <sstream>
#include <unistd.h>

using namespace quorvin;
using namespace quorvin::test;

namespace {

struct Figures {
    long rssKb = 0;
    long descriptors = 0;  // all
    long processFiles = 0; // of them, the files of processes that the walk keeps open (/proc/PID/…)
    long heapKb = 0;
    long processes = 0; // on this computer
};

bool isProcessFile(const std::string &path)
{
    return path.starts_with("/proc/") && path.size() > 6 && std::isdigit(static_cast<unsigned char>(path[6]));
}

Figures measure()
{
    Figures f;
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    f.rssKb = resident * (sysconf(_SC_PAGESIZE) / 1024);
    for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        ++f.descriptors;
        f.processFiles += isProcessFile(std::filesystem::read_symlink(entry.path(), error).string()) ? 1 : 0;
    }
    for (const auto &entry : std::filesystem::directory_iterator("/proc"))
        f.processes += std::isdigit(static_cast<unsigned char>(entry.path().filename().string()[0])) ? 1 : 0;
    f.heapKb = static_cast<long>(mallinfo2().uordblks / 1024);
    return f;
}

void print(const char *source, const char *when, long tick, const Figures &f)
{
    std::printf("soak %-10s %-8s tick %7ld  rss %7ld KiB  descriptors %4ld  heap %7ld KiB\n", source, when,
                tick, f.rssKb, f.descriptors, f.heapKb);
    std::fflush(stdout);
}

long ticksWanted()
{
    const char *text = std::getenv("QUORVIN_SOAK_TICKS");
    return text ? std::max(10L, std::atol(text)) : 100000L;
}

// Answers from a fresh copy of the recording every `cycle` ticks, so that its changes never run out; each
// copy moves the pids on, so that processes keep being new ones rather than the same few thousand again.
class RewindingSource final : public mgmt::Source {
public:
    explicit RewindingSource(std::string json) : m_json(std::move(json)) { rewind(); }
    std::unique_ptr<mgmt::Service> connect(std::string_view moniker) override
    {
        return std::make_unique<Shifted>(m_inner->connect(moniker), m_pidShift);
    }
    void rewind()
    {
        m_inner = mgmt::ReplaySource::fromJson(m_json, "alpha");
        m_pidShift += 100000;
    }

private:
    class Shifted final : public mgmt::Service {
    public:
        Shifted(std::unique_ptr<mgmt::Service> inner, long shift) : m_inner(std::move(inner)), m_shift(shift)
        {
        }
        std::vector<mgmt::Instance> instancesOf(std::string_view className) override
        {
            return shifted(m_inner->instancesOf(className));
        }
        std::vector<mgmt::Instance> execQuery(std::string_view wql) override
        {
            return shifted(m_inner->execQuery(wql));
        }

    private:
        std::vector<mgmt::Instance> shifted(std::vector<mgmt::Instance> instances) const
        {
            for (mgmt::Instance &instance : instances) {
                for (const char *name : {"IDprocess", "ProcessId"})
                    if (const mgmt::Value *pid = instance.find(name);
                        pid && pid->isNumber() && pid->number() > 0)
                        instance.set(name, mgmt::Value(pid->number() + static_cast<double>(m_shift)));
                if (const mgmt::Value *handle = instance.find("Handle"); handle && handle->isText())
                    instance.set("Handle", mgmt::Value(std::to_string(std::stol(handle->text()) + m_shift)));
            }
            return instances;
        }

        std::unique_ptr<mgmt::Service> m_inner;
        long m_shift;
    };

    std::string m_json;
    std::unique_ptr<mgmt::Source> m_inner;
    long m_pidShift = 0;
};

// Ticks the window as its timer would, a second apart, moving to the next page every 500 ticks and refreshing
// the Services page every third tick while it shows. After warm-up (a tenth of the run, and every page once)
// resident memory must grow by less than 1 MiB and the descriptor count stay the same. Watching this
// computer, what the window keeps follows its processes, which others start and end meanwhile: the files kept
// open for them are held to three a process at most, and each process more than after warm-up is allowed 4
// KiB.
void soak(const char *name, WindowHarness &h, const std::function<void(long)> &everyTick = {},
          bool watchesThisComputer = false)
{
    h.start();
    const long ticks = ticksWanted(), warmUp = std::max(ticks / 10, 2500L); // every page once
    print(name, "start", 0, measure());
    Figures warm;
    long reports = 0;
    QString lastReport;
    long mostProcesses = 0;
    for (long tick = 1; tick <= ticks; ++tick) {
        if (tick % 500 == 0) {
            mostProcesses = std::max(mostProcesses, measure().processes);
            h.clickTab(static_cast<int>(tick / 500 % 5));
        }
        h.clock.advance(1);
        h.tick();
        if (h.state().CurrentPage == 4 && tick % 3 == 0) // the Services page refreshes on its button only
            QTest::mouseClick(h.controls().cmdRF, Qt::LeftButton);
        if (everyTick)
            everyTick(tick);
        QCoreApplication::processEvents();
        // A report turns Real Time Mode off: count it, and turn the mode on again as the user would.
        if (!h.dialogs.shown().empty()) {
            ++reports;
            lastReport = h.dialogs.shown().back().text;
        }
        h.dialogs.clear(); // what the stand-ins record is the harness's, not the window's
        h.source().monikers.clear();
        if (!h.controls().chkRealTime->isChecked())
            h.clickRealTime();
        if (tick == warmUp) {
            warm = measure();
            print(name, "warm", tick, warm);
        }
    }
    const Figures end = measure();
    print(name, "end", ticks, end);
    std::printf("soak %-10s after warm-up: rss %+ld KiB, descriptors %+ld, heap %+ld KiB\n", name,
                end.rssKb - warm.rssKb, end.descriptors - warm.descriptors, end.heapKb - warm.heapKb);
    std::printf("soak %-10s error reports %ld%s%s\n", name, reports, reports ? ", the last: " : "",
                qPrintable(lastReport.simplified()));
    for (const auto &[query, count] : h.source().counts)
        std::printf("soak %-10s %7d × %s\n", name, count, query.c_str());
    mostProcesses = std::max(mostProcesses, end.processes);
    const long moreProcesses = watchesThisComputer ? std::max(0L, mostProcesses - warm.processes) : 0;
    EXPECT_LT(end.rssKb - warm.rssKb, 1024 + 4 * moreProcesses);
    EXPECT_EQ(end.descriptors - end.processFiles, warm.descriptors - warm.processFiles);
    EXPECT_LE(end.processFiles, watchesThisComputer ? 3 * mostProcesses : warm.processFiles);
}

} // namespace

TEST(Soak, ChangingRecording)
{
    const char *path = std::getenv("QUORVIN_SOAK_RECORDING");
    if (!path)
        GTEST_SKIP() << "QUORVIN_SOAK_RECORDING is not set";
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    auto owned = std::make_unique<RewindingSource>(text.str());
    RewindingSource &source = *owned;
    WindowHarness h(std::move(owned));
    soak("recording", h, [&](long tick) {
        if (tick % 300 == 0)
            source.rewind();
    });
}

TEST(Soak, ThisComputer)
{
    // The services come from a stand-in manager on a private bus: this machine may have no manager of its
    // own.
    std::unique_ptr<mgmt::linux_::test::PrivateBus> bus;
    if (mgmt::linux_::test::PrivateBus::missingTools().empty())
        bus = std::make_unique<mgmt::linux_::test::PrivateBus>(
            R"([{"id": "ssh.service", "active": "active", "file": "enabled"},
                {"id": "cron.service", "file": "disabled"}, {"id": "dbus.service", "active": "active"}])");
    WindowHarness h(std::make_unique<mgmt::LocalSource>());
    h.environment.name = QSysInfo::machineHostName();
    soak("computer", h, {}, true);
}

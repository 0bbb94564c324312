#pragma once
#include "app/frmQuorvin.h"
#include "kit/Clock.h"
#include "kit/Environment.h"
#include "mgmt/Source.h"
#include "support/FakeDialogs.h"
#include "support/WindowControls.h"

#include <map>
#include <memory>
#include <nlohmann/json.hpp>

namespace quorvin::test {

using Json = nlohmann::json;

class FakeClock final : public Clock {
public:
    double monotonicSeconds() const override { return seconds; }
    QDateTime now() const override { return wallTime; }
    void advance(double by) { seconds += by; }

    double seconds = 1000.0;
    QDateTime wallTime = QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9));
};

class FakeEnvironment final : public Environment {
public:
    QString computerName() const override { return name; }
    QString programName() const override { return program; }

    QString name = QStringLiteral("alpha");
    QString program = QStringLiteral("quorvin");
};

// Counts what the window asks of a source, by lower-cased query text, and passes everything on.
class CountingSource final : public mgmt::Source {
public:
    explicit CountingSource(std::unique_ptr<mgmt::Source> inner) : m_inner(std::move(inner)) {}
    std::unique_ptr<mgmt::Service> connect(std::string_view moniker) override;
    void pollSecond() override { m_inner->pollSecond(); }
    std::optional<std::chrono::system_clock::time_point> answersTime() const override
    {
        return m_inner->answersTime();
    }
    std::optional<std::int64_t> thisProgramsProcessId(std::string_view moniker) override
    {
        return programProcessId ? programProcessId : m_inner->thisProgramsProcessId(moniker);
    }

    int queries(const std::string &lowerCaseQuery) const;
    std::vector<std::string> monikers;
    std::map<std::string, int> counts;
    // Stands for this program's process ID on every computer when set, as if the recording were this one.
    std::optional<std::int64_t> programProcessId;

private:
    std::unique_ptr<mgmt::Source> m_inner;
};

// A recorded data set with one computer that is also the local one; classes not given answer plausibly.
Json recording(const std::string &computer, const Json &queries);
// An operating-system instance with plausible values; fields can be replaced.
Json operatingSystem(const Json &changes = Json::object());
// One answer of the processor counters: processor "0" and "_Total" last.
Json processorAnswer(long long idle, long long timestamp);

// The window over a recorded data set, with stand-ins for the boxes, the clock and the environment.
class WindowHarness {
public:
    explicit WindowHarness(const Json &recordingJson);
    explicit WindowHarness(std::unique_ptr<mgmt::Source> source);
    ~WindowHarness();

    // Runs start-up with that argument text and shows the window.
    void start(const QString &arguments = {});
    void tick(int times = 1);
    void clickTab(int index);
    void clickRealTime();

    frmQuorvin &form() { return *m_form; }
    const Controls &controls() const { return m_controls; }
    FormState &state() { return m_form->state(); }
    CountingSource &source() { return *m_source; }

    FakeDialogs dialogs;
    bool pollRanAfterStart = false;
    FakeClock clock;
    FakeEnvironment environment;

private:
    std::unique_ptr<CountingSource> m_source;
    std::unique_ptr<frmQuorvin> m_form;
    Controls m_controls;
};

} // namespace quorvin::test

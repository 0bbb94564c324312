#include "support/WindowHarness.h"
#include "mgmt/Instance.h"
#include "mgmt/replay/ReplaySource.h"

#include <QCheckBox>
#include <QTabBar>
#include <QTest>
#include <QTimer>

namespace quorvin::test {

namespace {

class CountingService final : public mgmt::Service {
public:
    CountingService(std::unique_ptr<mgmt::Service> inner, CountingSource &owner)
        : m_inner(std::move(inner)), m_owner(owner)
    {
    }
    std::vector<mgmt::Instance> instancesOf(std::string_view className) override
    {
        ++m_owner.counts["select * from " + mgmt::toLowerAscii(className)];
        return m_inner->instancesOf(className);
    }
    std::vector<mgmt::Instance> execQuery(std::string_view wql) override
    {
        ++m_owner.counts[mgmt::toLowerAscii(wql)];
        return m_inner->execQuery(wql);
    }

private:
    std::unique_ptr<mgmt::Service> m_inner;
    CountingSource &m_owner;
};

} // namespace

std::unique_ptr<mgmt::Service> CountingSource::connect(std::string_view moniker)
{
    monikers.emplace_back(moniker);
    return std::make_unique<CountingService>(m_inner->connect(moniker), *this);
}

int CountingSource::queries(const std::string &lowerCaseQuery) const
{
    const auto it = counts.find(lowerCaseQuery);
    return it == counts.end() ? 0 : it->second;
}

Json recording(const std::string &computer, const Json &queries)
{
    // Every class answers something, so that a test names only the classes it is about.
    Json all = {
        {"select * from win32_operatingsystem", Json::array({Json::array({operatingSystem()})})},
        {"select * from win32_perfrawdata_perfos_processor", Json::array({processorAnswer(1000, 5000)})},
        {"select * from win32_processor", Json::array({Json::array({Json::object()})})},
        {"select * from win32_perfrawdata_perfproc_process", Json::array({Json::array()})},
        {"select * from win32_process", Json::array({Json::array()})},
        {"select * from win32_service", Json::array({Json::array()})},
        {"select * from win32_perfrawdata_tcpip_networkinterface", Json::array({Json::array()})}};
    for (const auto &[key, value] : queries.items())
        all[key] = value;
    return Json{{"format", "quorvin-recording"},
                {"version", 1},
                {"localComputer", computer},
                {"computers", Json{{computer, all}}}};
}

Json operatingSystem(const Json &changes)
{
    Json os = {{"Caption", "Debian GNU/Linux 12 (bookworm)"},
               {"CSDVersion", "Linux 6.1.0-18-amd64"},
               {"FreePhysicalMemory", "523264"},
               {"FreeVirtualMemory", "2097024"},
               {"Organization", ""},
               {"SerialNumber", "4c4c4544-0051"},
               {"NumberOfProcesses", 57},
               {"LastBootupTime", "20261207041753.000000+060"},
               {"InstallDate", "20240102030405.000000+060"}};
    for (const auto &[key, value] : changes.items())
        os[key] = value;
    return os;
}

Json processorAnswer(long long idle, long long timestamp)
{
    return Json::array({Json{{"Name", "0"},
                             {"PercentProcessorTime", std::to_string(idle)},
                             {"Timestamp_Sys100NS", std::to_string(timestamp)}},
                        Json{{"Name", "_Total"},
                             {"PercentProcessorTime", std::to_string(idle)},
                             {"Timestamp_Sys100NS", std::to_string(timestamp)}}});
}

WindowHarness::WindowHarness(const Json &recordingJson)
    : WindowHarness(mgmt::ReplaySource::fromJson(recordingJson.dump()))
{
}

WindowHarness::WindowHarness(std::unique_ptr<mgmt::Source> source)
    : m_source(std::make_unique<CountingSource>(std::move(source))),
      m_form(std::make_unique<frmQuorvin>(*m_source, dialogs, clock, environment)),
      m_controls(Controls::of(*m_form))
{
}

WindowHarness::~WindowHarness() = default;

void WindowHarness::start(const QString &arguments)
{
    m_form->Form_Load(arguments);
    pollRanAfterStart = controls().tmr1->isActive();
    m_form->show();
    // Real ticks would race the test's own: the test drives the poll itself.
    controls().tmr1->stop();
    controls().tmrpct->stop();
}

void WindowHarness::tick(int times)
{
    for (int i = 0; i < times; ++i)
        m_form->tmr1_Timer();
}

void WindowHarness::clickTab(int index)
{
    QTabBar *tabs = controls().tbs;
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
}

void WindowHarness::clickRealTime()
{
    QCheckBox *box = controls().chkRealTime;
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

} // namespace quorvin::test

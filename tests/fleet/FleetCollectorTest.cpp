// The fleet over a real collector (tests/infra/pcp-up.sh) and this computer, through the modules the program
// loads: the row against the collector's own tools, and the collector frozen and resumed, which changes its
// own row only.
#include "TestCollector.h"
#include "fleet/ComputerSources.h"
#include "fleet/Fleet.h"
#include "kit/Clock.h"

#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace quorvin;
using namespace quorvin::fleet;
using namespace std::chrono_literals;

namespace {

bool eventually(const std::function<bool()> &condition)
{
    return QTest::qWaitFor(condition, 60000);
}

} // namespace

TEST(FleetCollector, ReadsTheCollectorAndOutlivesItsStall)
{
    if (const std::string missing = test::TestCollector::missingTools(); !missing.empty())
        GTEST_SKIP() << missing;
    std::filesystem::create_directories(QUORVIN_FLEET_WORK_DIR);
    const test::TestCollector collector(QUORVIN_FLEET_WORK_DIR, "qvfleet", "198.18.140", false);
    const QString name = QString::fromStdString(collector.overTcp());
    const QString here = QStringLiteral("localhost");

    SystemClock clock;
    Fleet::Settings settings;
    settings.schedule.period = 250ms;
    settings.schedule.slot = 50ms;
    settings.waitingAfter = 1000ms;
    Fleet fleet(computerSources({}, {QUORVIN_SSH_MODULE}, {QUORVIN_PCP_MODULE}), clock, settings);
    fleet.watch(name);
    fleet.watch(here);
    FleetModel &model = fleet.model();
    const auto cell = [&model](const QString &computer, int column, int role = Qt::DisplayRole) {
        return model.data(model.index(model.rowOf(computer), column), role).toString();
    };
    std::map<QString, int> changes;
    QObject::connect(&model, &FleetModel::dataChanged,
                     [&](const QModelIndex &from) { ++changes[model.nameAt(from.row())]; });

    ASSERT_TRUE(eventually([&] {
        return !cell(name, FleetModel::TopProcessColumn).isEmpty() &&
               !cell(here, FleetModel::ProcessorColumn).isEmpty();
    })) << cell(name, FleetModel::StateColumn, Qt::ToolTipRole).toStdString();
    EXPECT_EQ(cell(name, FleetModel::StateColumn), "Watching");
    EXPECT_EQ(cell(name, FleetModel::SystemColumn).toStdString(), collector.pminfo("kernel.uname.distro"));
    // pminfo counts itself, run in the collector's namespaces.
    EXPECT_NEAR(cell(name, FleetModel::ProcessesColumn).toDouble(), collector.pminfoNumber("proc.nprocs"), 2);
    EXPECT_TRUE(cell(name, FleetModel::ProcessorColumn).endsWith(QLatin1Char('%')));
    EXPECT_TRUE(cell(name, FleetModel::MemoryColumn).endsWith(QLatin1Char('%')));
    EXPECT_FALSE(cell(name, FleetModel::ReceivedColumn).isEmpty());
    // The busiest process is one of the collector's.
    const std::string top =
        cell(name, FleetModel::TopProcessColumn).section(QStringLiteral(" ("), 0, 0).toStdString();
    EXPECT_NE(collector.ctl({"run", "pminfo", "-f", "proc.psinfo.cmd"}).find("\"" + top + "\""),
              std::string::npos)
        << top;

    collector.ctl({"stall"});
    ASSERT_TRUE(eventually([&] { return cell(name, FleetModel::StateColumn).startsWith("Waiting since"); }));
    const int frozen = changes[name], local = changes[here];
    EXPECT_TRUE(eventually([&] { return changes[here] >= local + 4; })) << "this computer is still read";
    EXPECT_EQ(changes[name], frozen) << "the stalled row does not change meanwhile";
    EXPECT_EQ(cell(here, FleetModel::StateColumn), "Watching");
    collector.ctl({"resume"});
    EXPECT_TRUE(eventually([&] { return cell(name, FleetModel::StateColumn) == "Watching"; }));
}

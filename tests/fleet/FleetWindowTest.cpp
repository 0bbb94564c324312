// The fleet window over computers of the test's own: the rows, a stalled computer, the order, the list's
// file, opening a computer and the host-key questions.
#include "fleet/FleetWindow.h"
#include "FakeComputers.h"
#include "fleet/Fleet.h"
#include "fleet/FleetModel.h"
#include "fleet/FleetSortProxy.h"
#include "fleet/HostKeyRelay.h"
#include "kit/Clock.h"
#include "support/FakeDialogs.h"

#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <future>
#include <thread>

using namespace quorvin;
using namespace quorvin::fleet;
using namespace std::chrono_literals;
using fleet::test::FakeComputers;

namespace {

Fleet::Settings quick()
{
    Fleet::Settings settings;
    settings.schedule.period = 50ms;
    settings.schedule.firstRetry = 50ms;
    settings.schedule.longestRetry = 200ms;
    settings.schedule.slot = 10ms;
    settings.pool.ready = 2;
    settings.pool.busyMark = 20ms;
    settings.waitingAfter = 300ms;
    settings.gather = 10ms;
    settings.thresholds = {90, 90};
    return settings;
}

bool eventually(const std::function<bool()> &condition)
{
    return QTest::qWaitFor(condition, 30000);
}

class FleetWindowTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const char *name : {"web1", "web2", "web3", "a", "b", "c"})
            computers.release(name);
        window.reset();
        fleet.reset();
    }

    void start(const QString &listText)
    {
        path = dir.filePath(QStringLiteral("fleet"));
        writeList(listText);
        fleet = std::make_unique<Fleet>(computers.maker(), clock, quick());
        window = std::make_unique<FleetWindow>(*fleet, ComputerListFile(path), dialogs,
                                               [this](const QString &computer, QString &) {
                                                   opened << computer;
                                                   return true;
                                               });
        window->start();
    }

    void writeList(const QString &text)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    QString listText() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QVariant cell(const QString &computer, int column, int role = Qt::DisplayRole) const
    {
        FleetModel &model = fleet->model();
        const int row = model.rowOf(computer);
        return row < 0 ? QVariant() : model.data(model.index(row, column), role);
    }

    bool showsLoad(const QString &computer, const QString &percent) const
    {
        return cell(computer, FleetModel::ProcessorColumn).toString() == percent;
    }

    // The names in the order the table shows them.
    QStringList shownOrder() const
    {
        QStringList names;
        const FleetSortProxy &proxy = window->proxy();
        for (int row = 0; row < proxy.rowCount(); ++row)
            names << proxy.index(row, FleetModel::ComputerColumn).data(FleetModel::SortRole).toString();
        return names;
    }

    FakeComputers computers;
    SystemClock clock;
    quorvin::test::FakeDialogs dialogs;
    QTemporaryDir dir;
    QString path;
    QStringList opened;
    std::unique_ptr<Fleet> fleet;
    std::unique_ptr<FleetWindow> window;
};

} // namespace

// A reading signals every cell whose look it changed, and leaves the steady ones alone; a mark that comes or
// goes colours the whole row.
TEST(FleetModel, AReadingSignalsTheCellsItChanged)
{
    SystemClock clock;
    FleetModel model(clock, {90, 90});
    const int row = model.addComputer(QStringLiteral("web1"));
    ComputerReading steady;
    steady.operatingSystem = "Fake Linux 1";
    steady.upSeconds = 100;
    steady.processorPercent = 20;
    steady.memoryPercent = 50;
    steady.freeKilobytes = 1000;
    steady.processes = 42;
    steady.receivedBitsPerSecond = 8000;
    steady.sentBitsPerSecond = 4000;
    steady.topProcess = "busy";
    steady.topProcessPercent = 10;
    const struct {
        const char *what;
        std::function<void(ComputerReading &)> change;
    } cases[] = {
        {"nothing", [](ComputerReading &) {}},
        {"system", [](ComputerReading &r) { r.operatingSystem = "Other"; }},
        {"up time", [](ComputerReading &r) { r.upSeconds = 101; }},
        {"memory", [](ComputerReading &r) { r.memoryPercent = 51; }},
        {"free memory", [](ComputerReading &r) { r.freeKilobytes = 2000; }},
        {"processes", [](ComputerReading &r) { r.processes.reset(); }},
        {"received", [](ComputerReading &r) { r.receivedBitsPerSecond = 9000; }},
        {"sent", [](ComputerReading &r) { r.sentBitsPerSecond = 5000; }},
        {"top process", [](ComputerReading &r) { r.topProcess = "calm"; }},
        {"system's reason", [](ComputerReading &r) { r.systemWhy = "refused"; }},
        {"network's reason", [](ComputerReading &r) { r.networkWhy = "gone"; }},
        {"top process's reason", [](ComputerReading &r) { r.topProcessWhy = "no values"; }},
        {"marked", [](ComputerReading &r) { r.memoryPercent = 95; }},
    };
    const auto look = [&model, row] {
        std::vector<QVariant> cells;
        for (int column = 0; column < FleetModel::ColumnCount; ++column)
            for (const int role : {int(Qt::DisplayRole), int(Qt::ToolTipRole), int(Qt::BackgroundRole),
                                   int(Qt::ForegroundRole), int(Qt::FontRole)})
                cells.push_back(model.data(model.index(row, column), role));
        return cells;
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        model.setReading(row, steady);
        const std::vector<QVariant> before = look();
        ComputerReading next = steady;
        c.change(next);
        QSignalSpy spy(&model, &QAbstractItemModel::dataChanged);
        model.setReading(row, next);
        ASSERT_EQ(spy.count(), 1);
        const int first = spy[0][0].toModelIndex().column(), last = spy[0][1].toModelIndex().column();
        const std::vector<QVariant> after = look();
        const std::size_t roles = after.size() / FleetModel::ColumnCount;
        for (std::size_t i = 0; i < after.size(); ++i) {
            const int column = int(i / roles);
            EXPECT_TRUE(after[i] == before[i] || (column >= first && column <= last)) << "column " << column;
        }
        if (std::string_view(c.what) == "nothing") {
            EXPECT_EQ(std::pair(first, last),
                      std::pair(int(FleetModel::ProcessorColumn), int(FleetModel::ProcessorColumn)));
        }
    }
}

TEST_F(FleetWindowTest, ShowsEachComputersReadingFormattedAsTheWindowDoes)
{
    computers.set("web2", [](FakeComputers::Computer &c) { c.load = 95; });
    start(QStringLiteral("web1\nweb2\n"));
    ASSERT_TRUE(eventually([&] { return showsLoad("web1", "25%") && showsLoad("web2", "95%"); }));
    const struct {
        int column;
        QString text;
    } cases[] = {
        {FleetModel::ComputerColumn, "web1"},         {FleetModel::StateColumn, "Watching"},
        {FleetModel::SystemColumn, "Fake Linux 1"},   {FleetModel::MemoryColumn, "75%"},
        {FleetModel::FreeMemoryColumn, "977MB"},      {FleetModel::ProcessesColumn, "42"},
        {FleetModel::TopProcessColumn, "busy (25%)"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(cell("web1", c.column).toString(), c.text) << c.column;
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+d \\d\\d:\\d\\d:\\d\\d$"))
                    .match(cell("web1", FleetModel::UpTimeColumn).toString())
                    .hasMatch());
    EXPECT_FALSE(cell("web1", FleetModel::ReceivedColumn).toString().isEmpty());
    EXPECT_EQ(cell("web1", FleetModel::ProcessorColumn, Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_FALSE(
        cell("web1", FleetModel::ProcessorColumn, FleetModel::HistoryRole).value<QList<float>>().isEmpty());
    // Above the threshold: a colour and a symbol.
    EXPECT_EQ(cell("web2", FleetModel::ComputerColumn).toString(), QStringLiteral("\u26A0 web2"));
    EXPECT_TRUE(cell("web2", FleetModel::StateColumn, Qt::BackgroundRole).isValid());
    EXPECT_FALSE(cell("web1", FleetModel::StateColumn, Qt::BackgroundRole).isValid());
}

// A computer that stops answering changes only its own row: the others go on being read.
TEST_F(FleetWindowTest, AStalledComputerChangesOnlyItsOwnRow)
{
    start(QStringLiteral("web1\nweb2\nweb3\n"));
    ASSERT_TRUE(eventually(
        [&] { return showsLoad("web1", "25%") && showsLoad("web2", "25%") && showsLoad("web3", "25%"); }));
    computers.set("web2", [](FakeComputers::Computer &c) { c.behaviour = FakeComputers::Behaviour::Stall; });
    ASSERT_TRUE(eventually(
        [&] { return cell("web2", FleetModel::StateColumn).toString().startsWith("Waiting since"); }));
    const int web1 = computers.get("web1").readings, web3 = computers.get("web3").readings;
    EXPECT_TRUE(eventually([&] {
        return computers.get("web1").readings >= web1 + 5 && computers.get("web3").readings >= web3 + 5;
    }));
    EXPECT_EQ(cell("web1", FleetModel::StateColumn).toString(), "Watching");
    EXPECT_EQ(cell("web3", FleetModel::StateColumn).toString(), "Watching");
    EXPECT_TRUE(computers.get("web2").waiting) << "asked once, not again";
    EXPECT_EQ(cell("web2", FleetModel::ProcessorColumn).toString(), "25%") << "its last values stay";
    EXPECT_TRUE(cell("web2", FleetModel::ProcessorColumn, Qt::ForegroundRole).isValid()) << "greyed";
    computers.release("web2");
    EXPECT_TRUE(eventually([&] { return cell("web2", FleetModel::StateColumn).toString() == "Watching"; }));
}

TEST_F(FleetWindowTest, SaysWhyAComputerIsNotWatchedAndTriesAgain)
{
    computers.set("web1",
                  [](FakeComputers::Computer &c) { c.behaviour = FakeComputers::Behaviour::Unreachable; });
    computers.set("web2", [](FakeComputers::Computer &c) { c.behaviour = FakeComputers::Behaviour::Denied; });
    start(QStringLiteral("web1\nweb2\n"));
    ASSERT_TRUE(eventually([&] {
        return cell("web1", FleetModel::StateColumn).toString().startsWith("Unreachable since ") &&
               cell("web2", FleetModel::StateColumn).toString() == "Access denied";
    }));
    EXPECT_TRUE(cell("web1", FleetModel::StateColumn, Qt::ToolTipRole).toString().contains("unavailable"));
    // What a source says is shown as it is, never as markup.
    EXPECT_TRUE(cell("web2", FleetModel::StateColumn, Qt::ToolTipRole).toString().contains("&lt;keys&gt;"));
    computers.release("web1");
    EXPECT_TRUE(eventually([&] { return cell("web1", FleetModel::StateColumn).toString() == "Watching"; }));
}

// Rows are sorted anew once a second, not while the pointer rests on the table; equal rows keep the order of
// their names.
TEST_F(FleetWindowTest, KeepsTheOrderWhileThePointerRestsOnTheTable)
{
    for (const auto &[name, load] : {std::pair{"a", 10.0}, {"b", 50.0}, {"c", 50.0}})
        computers.set(name, [load = load](FakeComputers::Computer &c) { c.load = load; });
    start(QStringLiteral("c\nb\na\n"));
    window->table()->sortByColumn(FleetModel::ProcessorColumn, Qt::DescendingOrder);
    ASSERT_TRUE(
        eventually([&] { return showsLoad("a", "10%") && showsLoad("b", "50%") && showsLoad("c", "50%"); }));
    window->resortUnlessReading();
    EXPECT_EQ(shownOrder(), (QStringList{"b", "c", "a"}));

    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(window->table()->viewport(), &enter);
    computers.set("a", [](FakeComputers::Computer &c) { c.load = 90; });
    ASSERT_TRUE(eventually([&] { return showsLoad("a", "90%"); }));
    window->resortUnlessReading();
    EXPECT_EQ(shownOrder(), (QStringList{"b", "c", "a"}));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(window->table()->viewport(), &leave);
    window->resortUnlessReading();
    EXPECT_EQ(shownOrder(), (QStringList{"a", "b", "c"}));

    window->findChild<QLineEdit *>(QStringLiteral("filterBox"))->setText(QStringLiteral("B"));
    EXPECT_EQ(shownOrder(), QStringList{"b"});
}

// Add and Remove write the list back as it is in the file now, every other line kept.
TEST_F(FleetWindowTest, AddAndRemoveWriteTheListBack)
{
    start(QStringLiteral("# mine\nweb1\nweb 2\n"));
    ASSERT_EQ(dialogs.messageTexts().size(), 1);
    EXPECT_TRUE(dialogs.messageTexts().front().contains(QStringLiteral("Line 3: \"web 2\"")));
    writeList(listText() + QStringLiteral("web9 # added meanwhile\n"));

    dialogs.answerInput(QStringLiteral(" web3 "));
    window->addComputer();
    EXPECT_EQ(listText(), QStringLiteral("# mine\nweb1\nweb 2\nweb9 # added meanwhile\nweb3\n"));
    EXPECT_TRUE(fleet->watches(QStringLiteral("web3")));
    dialogs.clear();
    for (const char *refused : {"web3", "x;reboot"}) {
        dialogs.answerInput(QString::fromLatin1(refused));
        window->addComputer();
    }
    QStringList messages;
    for (const auto &shown : dialogs.shown())
        if (shown.kind == QStringLiteral("message"))
            messages << shown.text;
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages.at(0).contains(QStringLiteral("watched already")));
    EXPECT_TRUE(messages.at(1).contains(QStringLiteral("cannot be watched")));

    window->table()->selectRow(0);
    window->removeSelected();
    EXPECT_EQ(listText(), QStringLiteral("# mine\nweb 2\nweb9 # added meanwhile\nweb3\n"));
    EXPECT_FALSE(fleet->watches(QStringLiteral("web1")));
    EXPECT_EQ(fleet->model().rowCount(), 1);
}

TEST_F(FleetWindowTest, OpensTheComputerOnDoubleClickAndEnter)
{
    start(QStringLiteral("web1\nweb2\n"));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTableView *table = window->table();
    const QRect second = table->visualRect(window->proxy().index(1, FleetModel::StateColumn));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, second.center());
    table->setCurrentIndex(window->proxy().index(0, 0));
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_EQ(opened, (QStringList{"web2", "web1"}));
}

// A host key is asked about on the window's thread, one question at a time, with No as the default; a key
// refused once is not asked about again, and a closed relay answers No.
TEST(HostKeyRelay, AsksOnTheWindowsThreadAndRemembersARefusal)
{
    quorvin::test::FakeDialogs dialogs;
    HostKeyRelay relay(dialogs);
    const mgmt::remote::HostKeyQuestion question = relay.question();
    const auto ask = [&](const char *fingerprint) {
        auto answer = std::async(std::launch::async, [&question, fingerprint] {
            return question("web1", "ssh-ed25519", fingerprint);
        });
        EXPECT_TRUE(eventually([&] { return answer.wait_for(0s) == std::future_status::ready; }));
        return answer.get();
    };
    dialogs.answerConfirm(false);
    EXPECT_FALSE(ask("SHA256:one"));
    EXPECT_FALSE(ask("SHA256:one"));
    dialogs.answerConfirm(true);
    EXPECT_TRUE(ask("SHA256:two"));
    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown().front().defaultButton, Dialogs::Default::No);
    EXPECT_TRUE(dialogs.shown().front().text.contains(QStringLiteral("SHA256:one")));
    relay.close();
    EXPECT_FALSE(ask("SHA256:three"));
    EXPECT_EQ(dialogs.shown().size(), 2u);
}

// The window watching another computer: the pages over SSH, as a user drives them.
#include "ContainerSshHost.h"
#include "NamespaceSshHost.h"
#include "RemoteFixture.h"
#include "kit/GridCells.h"
#include "support/GridClicks.h"
#include "support/WaitUntil.h"
#include "support/WindowHarness.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace quorvin;
using namespace quorvin::test;

namespace {

// The window over a remote source whose host-key questions go to the window's own stand-in boxes.
class RemoteWindow {
public:
    explicit RemoteWindow(const SshHost &host) : m_dialogs(std::make_shared<FakeDialogs>())
    {
        h = std::make_unique<WindowHarness>(routedSourceFor(host, *m_dialogs));
        h->dialogs.whileOpen = nullptr;
    }
    // Boxes of both kinds, in the order shown: the source's host-key questions and the window's messages.
    FakeDialogs &questions() { return *m_dialogs; }

    std::unique_ptr<WindowHarness> h;

private:
    std::shared_ptr<FakeDialogs> m_dialogs;
};

// The loopback host is this machine: a process it ended is gone, or a zombie until its parent reaps it.
bool endedOnThisMachine(qint64 pid)
{
    return waitUntil(
        [pid] {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
            if (!stat.open(QIODevice::ReadOnly))
                return true;
            const QByteArray text = stat.readAll();
            const qsizetype close = text.lastIndexOf(')');
            return close > 0 && text.mid(close + 2, 1) == "Z";
        },
        [] { QTest::qWait(10); });
}

class LoopbackWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string missing = LoopbackSshHost::missingTools(); !missing.empty())
            GTEST_SKIP() << "no SSH server for the remote tests: " << missing;
        host = std::make_unique<LoopbackSshHost>();
    }
    std::unique_ptr<LoopbackSshHost> host;
};

} // namespace

TEST_F(LoopbackWindow, NamesThatCannotBeReachedAskForAnotherName)
{
    addHostEntry(*host, "quorvin-closed",
                 "  HostName 127.0.0.1\n  Port " + std::to_string(LoopbackSshHost::closedPort()));
    RemoteWindow w(*host);
    WindowHarness &h = *w.h;
    h.start(QStringLiteral("/c:localhost /t:1"));
    for (const char *name : {"no-such-host.invalid", "quorvin-closed"}) {
        SCOPED_TRACE(name);
        h.dialogs.clear();
        if (h.controls().chkRealTime->isChecked())
            h.clickRealTime();
        h.controls().txtComp->setText(QString::fromLatin1(name));
        h.clickRealTime();
        h.tick(3);
        EXPECT_EQ(h.dialogs.messageTexts(), QStringList{"Computer Name Entered Was Not Found, Please Check"});
        EXPECT_FALSE(h.controls().chkRealTime->isChecked());
        EXPECT_TRUE(h.controls().txtComp->isEnabled());
    }
}

// Host names are case-blind, user names are not: a name typed as USER@HOST signs in as USER, as typed.
TEST_F(LoopbackWindow, TheUserPartOfATypedNameKeepsItsCase)
{
    RemoteWindow w(*host);
    WindowHarness &h = *w.h;
    h.start(QStringLiteral("/c:localhost /t:1"));
    h.clickRealTime();
    h.controls().txtComp->setText(QString::fromStdString("Quorvin-Bob@" + host->alias()));
    h.clickRealTime();
    h.tick(3);
    EXPECT_TRUE(host->waitForLog("Invalid user Quorvin-Bob ", std::chrono::seconds(30)))
        << h.dialogs.messageTexts().join('|').toStdString();
}

TEST_F(LoopbackWindow, EndsRemoteProcessesByIdAndByName)
{
    // Started on the remote side, under a name of their own, detached from the SSH session that starts them.
    const auto started = host->runOverSsh("cp /bin/sleep /tmp/qvremote && for i in 1 2 3; do setsid -f "
                                          "/tmp/qvremote 300 </dev/null >/dev/null 2>&1; "
                                          "done; echo started");
    ASSERT_NE(started.output.find("started"), std::string::npos) << started.output;
    RemoteWindow w(*host);
    WindowHarness &h = *w.h;
    h.start(QString::fromStdString("/c:" + host->alias() + " /t:3"));
    QTableView *grid = h.controls().msfg;
    std::vector<qint64> pids;
    for (int r = 1; r < grid->model()->rowCount(); ++r)
        if (cellText(grid, r, 0).startsWith(QStringLiteral("QVREMOTE")))
            pids.push_back(cellText(grid, r, 1).toLongLong());
    ASSERT_EQ(pids.size(), 3u);
    const auto cleanUp = qScopeGuard([&] {
        for (qint64 pid : pids)
            host->runOverSsh("kill -9 " + std::to_string(pid) + " 2>/dev/null; true");
    });

    h.dialogs.answerConfirm(true);
    doubleClickCell(grid, rowWithText(grid, 1, QString::number(pids[0])), 0);
    EXPECT_EQ(h.dialogs.messageTexts().at(1),
              QStringLiteral("Process QVREMOTE(%1) Was Terminated").arg(pids[0]));
    EXPECT_TRUE(endedOnThisMachine(pids[0]));

    h.dialogs.clear();
    h.controls().chkname->setChecked(true);
    h.dialogs.answerConfirm(true);
    doubleClickCell(grid, rowWithText(grid, 0, QStringLiteral("QVREMOTE")),
                    0); // the name without an instance suffix
    const QStringList said = h.dialogs.messageTexts();
    EXPECT_EQ(said.first(), QStringLiteral("Are You Sure You Wish To End All 'QVREMOTE' Processes"));
    for (qint64 pid : {pids[1], pids[2]}) {
        EXPECT_TRUE(said.contains(QStringLiteral("Process QVREMOTE(%1) Was Terminated").arg(pid))) << pid;
        EXPECT_TRUE(endedOnThisMachine(pid)) << pid;
    }
}

TEST_F(LoopbackWindow, AnUnknownHostKeyIsAskedAboutInTheWindow)
{
    host->forgetHostKey();
    RemoteWindow w(*host);
    w.questions().answerConfirm(true);
    WindowHarness &h = *w.h;
    h.start(QString::fromStdString("/c:" + host->alias() + " /t:1"));
    ASSERT_EQ(w.questions().shown().size(), 1u);
    EXPECT_EQ(w.questions().shown()[0].title, QStringLiteral("Unknown Host Key"));
    EXPECT_EQ(w.questions().shown()[0].defaultButton, Dialogs::Default::No) << "Enter never trusts a key";
    EXPECT_TRUE(
        w.questions().shown()[0].text.contains(QString::fromStdString(host->hostKeyFingerprintSha256())));
    EXPECT_TRUE(h.dialogs.shown().empty());
    EXPECT_FALSE(h.controls().lblTitle->text().isEmpty());
}

TEST_F(LoopbackWindow, AChangedHostKeyIsReportedAndNothingConnects)
{
    RemoteWindow w(*host);
    WindowHarness &h = *w.h;
    h.start(QStringLiteral("/c:localhost /t:1"));
    host->recordWrongHostKey();
    h.clickRealTime();
    h.controls().txtComp->setText(QString::fromStdString(host->alias()));
    h.clickRealTime();
    h.tick(3);
    ASSERT_EQ(h.dialogs.shown().size(), 1u);
    EXPECT_TRUE(h.dialogs.shown()[0].text.startsWith(
        QStringLiteral("The Following Error Has occured:-2147024891 WARNING")))
        << h.dialogs.shown()[0].text.toStdString();
    EXPECT_TRUE(w.questions().shown().empty());
    EXPECT_FALSE(h.controls().chkRealTime->isChecked());
}

TEST(NamespaceWindow, ARemoteHostShowsItsOwnProcesses)
{
    if (const std::string missing = NamespaceSshHost::missingTools(); !missing.empty())
        GTEST_SKIP() << "no remote host of its own here: " << missing;
    NamespaceSshHost host;
    RemoteWindow w(host);
    WindowHarness &h = *w.h;
    h.start(QString::fromStdString("/c:" + host.alias() + " /t:3"));
    QTableView *grid = h.controls().msfg;
    EXPECT_GT(rowWithText(grid, 0, QStringLiteral("SSHD")), 0);
    EXPECT_EQ(rowWithText(grid, 1, QString::number(::getpid())), -1) << "the test's own process is not there";
    EXPECT_LT(grid->model()->rowCount(), 20) << "only the host's own processes";
    h.clickTab(0);
    EXPECT_TRUE(h.controls().lblProc->text().endsWith(QStringLiteral(" Active Processes")));
    EXPECT_TRUE(h.dialogs.shown().empty()) << h.dialogs.messageTexts().join('|').toStdString();
}

TEST(ContainerWindow, ServicesOfARealServiceManagerAreStartedAndStopped)
{
    if (const std::string missing = ContainerSshHost::missingTools(); !missing.empty())
        GTEST_SKIP() << "no container with systemd here: " << missing;
    ContainerSshHost host;
    RemoteWindow w(host);
    WindowHarness &h = *w.h;
    h.start(QString::fromStdString("/c:" + host.alias() + " /t:4"));
    QTableView *grid = h.controls().msfgServ;
    const QString unit = QStringLiteral("quorvin-enabled.service");
    const int row = rowWithText(grid, 1, unit);
    ASSERT_GT(row, 0) << h.dialogs.messageTexts().join('|').toStdString();
    EXPECT_EQ(cellText(grid, row, 2), QStringLiteral("Auto"));
    EXPECT_EQ(cellText(grid, row, 3), QStringLiteral("Started"));
    const auto clickControl = [&] {
        const int r = rowWithText(grid, 1, unit);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(r, 4)).center());
    };
    const auto waitFor = [&](const char *status) {
        return waitUntil(
            [&] {
                QTest::mouseClick(h.controls().cmdRF, Qt::LeftButton);
                return cellText(grid, rowWithText(grid, 1, unit), 3) == QLatin1String(status);
            },
            [] { QTest::qWait(50); });
    };
    grid->scrollTo(grid->model()->index(row, 4));
    clickControl();
    EXPECT_TRUE(waitFor("Stopped"));
    grid->scrollTo(grid->model()->index(rowWithText(grid, 1, unit), 4));
    clickControl();
    EXPECT_TRUE(waitFor("Started"));
    EXPECT_TRUE(h.dialogs.shown().empty()) << h.dialogs.messageTexts().join('|').toStdString();
    // Every refresh and action went over one bridge, kept while the connection lasts.
    const auto bridges = host.runOverSsh("pgrep -c -x systemd-stdio-b || true");
    EXPECT_EQ(bridges.output.substr(0, bridges.output.find('\n')), "1") << bridges.output;
}

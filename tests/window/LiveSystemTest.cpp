// The window against this computer itself: real processes ended through the grid, real traffic counted.
#include "kit/GridCells.h"
#include "mgmt/local/LocalSource.h"
#include "pages/network/NetworkPage.h"
#include "support/GridClicks.h"
#include "support/WaitUntil.h"
#include "support/WindowHarness.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

using namespace quorvin;
using namespace quorvin::test;

namespace {

// Children that sleep under a name of their own, so that ending "all of one name" touches nothing else.
class Sleepers {
public:
    explicit Sleepers(const QString &name)
    {
        m_binary = m_dir.filePath(name);
        QFile::copy(QStringLiteral("/bin/sleep"), m_binary);
        QFile::setPermissions(m_binary, QFile::ReadOwner | QFile::ExeOwner);
    }
    ~Sleepers()
    {
        for (const auto &[pid, told] : m_told)
            ::close(told);
        for (pid_t pid : m_pids) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    Sleepers(const Sleepers &) = delete;
    Sleepers &operator=(const Sleepers &) = delete;

    pid_t start()
    {
        const QByteArray path = m_binary.toLocal8Bit();
        char seconds[] = "300";
        char *argv[] = {const_cast<char *>(path.constData()), seconds, nullptr};
        pid_t pid = 0;
        if (posix_spawn(&pid, path.constData(), nullptr, nullptr, argv, environ) != 0)
            return -1;
        m_pids.push_back(pid);
        return pid;
    }
    // A child that starts under another name and runs the binary once told to, as a shell runs `exec`.
    pid_t startUnder(const char *name)
    {
        int named[2], told[2];
        if (::pipe2(named, O_CLOEXEC) != 0 || ::pipe2(told, O_CLOEXEC) != 0)
            return -1;
        const QByteArray path = m_binary.toLocal8Bit();
        const pid_t pid = ::fork();
        if (pid == 0) {
            char go = 0;
            ::prctl(PR_SET_NAME, name);
            if (::write(named[1], "n", 1) == 1 && ::read(told[0], &go, 1) == 1) {
                char seconds[] = "300";
                char *argv[] = {const_cast<char *>(path.constData()), seconds, nullptr};
                ::execv(path.constData(), argv);
            }
            ::_exit(127);
        }
        ::close(named[1]);
        ::close(told[0]);
        char answer = 0;
        const bool started = pid > 0 && ::read(named[0], &answer, 1) == 1;
        ::close(named[0]);
        m_told[pid] = told[1];
        if (pid > 0)
            m_pids.push_back(pid);
        return started ? pid : -1;
    }
    // Tells such a child to run the binary; true once it runs it.
    bool execute(pid_t pid)
    {
        const QString comm = QStringLiteral("/proc/%1/comm").arg(pid);
        const QString binaryName = QFileInfo(m_binary).fileName();
        return ::write(m_told[pid], "x", 1) == 1 && waitUntil([&] {
                   QFile file(comm);
                   return file.open(QIODevice::ReadOnly) && file.readAll().trimmed() == binaryName.toLatin1();
               });
    }
    // A child that was asked to end and has ended: reaped here, gone from /proc.
    bool ended(pid_t pid)
    {
        const bool reaped =
            waitUntil([pid] { return ::waitpid(pid, nullptr, WNOHANG) == pid; }, [] { QTest::qWait(10); });
        if (reaped)
            m_pids.erase(std::remove(m_pids.begin(), m_pids.end(), pid), m_pids.end());
        return reaped;
    }

private:
    QTemporaryDir m_dir;
    QString m_binary;
    std::vector<pid_t> m_pids;
    std::map<pid_t, int> m_told; // the pipes that tell children started under another name to run the binary
};

} // namespace

TEST(LiveSystem, EndsRealProcessesByIdAndByName)
{
    Sleepers sleepers(QStringLiteral("qvsleeper"));
    const pid_t first = sleepers.start(), second = sleepers.start(), third = sleepers.start();
    ASSERT_GT(third, 0);
    WindowHarness h(std::make_unique<mgmt::LocalSource>());
    h.start(QStringLiteral("/c:localhost /t:3"));
    QTableView *grid = h.controls().msfg;
    for (pid_t pid : {first, second, third})
        ASSERT_GT(rowWithText(grid, 1, QString::number(pid)), 0) << "child " << pid << " is in the table";
    EXPECT_EQ(cellText(grid, rowWithText(grid, 1, QString::number(first)), 0), QStringLiteral("QVSLEEPER"));

    h.dialogs.answerConfirm(true);
    doubleClickCell(grid, rowWithText(grid, 1, QString::number(first)), 0);
    EXPECT_EQ(h.dialogs.messageTexts().at(1),
              QStringLiteral("Process QVSLEEPER(%1) Was Terminated").arg(first));
    EXPECT_TRUE(sleepers.ended(first));

    h.dialogs.clear();
    h.controls().chkname->setChecked(true);
    h.dialogs.answerConfirm(true);
    h.form().RefreshProcesses();
    doubleClickCell(grid, rowWithText(grid, 1, QString::number(second)), 0);
    EXPECT_EQ(h.dialogs.messageTexts().first(),
              QStringLiteral("Are You Sure You Wish To End All 'QVSLEEPER' Processes"));
    EXPECT_TRUE(h.dialogs.messageTexts().contains(
        QStringLiteral("Process QVSLEEPER(%1) Was Terminated").arg(second)));
    EXPECT_TRUE(
        h.dialogs.messageTexts().contains(QStringLiteral("Process QVSLEEPER(%1) Was Terminated").arg(third)));
    EXPECT_TRUE(sleepers.ended(second));
    EXPECT_TRUE(sleepers.ended(third));
    h.form().RefreshProcesses();
    EXPECT_EQ(rowWithText(grid, 1, QString::number(second)), -1);
    EXPECT_EQ(rowWithText(grid, 1, QString::number(third)), -1);
}

// A process that runs another program is listed, and ended by name, under the name it has now.
TEST(LiveSystem, ANameFollowsExec)
{
    Sleepers sleepers(QStringLiteral("qvexecd"));
    const pid_t child = sleepers.startUnder("qvzzshell");
    ASSERT_GT(child, 0);
    WindowHarness h(std::make_unique<mgmt::LocalSource>());
    h.start(QStringLiteral("/c:localhost /t:3"));
    QTableView *grid = h.controls().msfg;
    const auto nameOfChild = [&] { return cellText(grid, rowWithText(grid, 1, QString::number(child)), 0); };
    EXPECT_EQ(nameOfChild(), QStringLiteral("QVZZSHELL"));

    ASSERT_TRUE(sleepers.execute(child));
    h.form().RefreshProcesses();
    EXPECT_EQ(nameOfChild(), QStringLiteral("QVEXECD"));
    h.controls().chkname->setChecked(true);
    h.dialogs.answerConfirm(true);
    doubleClickCell(grid, rowWithText(grid, 1, QString::number(child)), 0);
    EXPECT_TRUE(
        h.dialogs.messageTexts().contains(QStringLiteral("Process QVEXECD(%1) Was Terminated").arg(child)))
        << h.dialogs.messageTexts().join('|').toStdString();
    EXPECT_TRUE(sleepers.ended(child));
}

TEST(LiveSystem, LoopbackTrafficShowsInTheTotals)
{
    WindowHarness h(std::make_unique<mgmt::LocalSource>());
    h.start(QStringLiteral("/c:localhost /t:5"));
    QListWidget *list = h.controls().lstNet;
    const auto found = list->findItems(QStringLiteral("lo"), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << "this computer has a loopback interface";
    list->setCurrentItem(found.front());
    h.tick(); // the baseline

    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(s, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9); // discard
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const std::string payload(1000, 'q');
    constexpr int Datagrams = 200;
    for (int i = 0; i < Datagrams; ++i)
        ::sendto(s, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
    ::close(s);

    h.clock.advance(1);
    h.tick();
    const auto shown = [&](QLabel *label) { return QLocale().toLongLong(label->text()); };
    EXPECT_GE(shown(h.controls().lblNetByteSent), Datagrams * 1000LL);
    EXPECT_GE(shown(h.controls().lblNetByteRec), Datagrams * 1000LL) << "loopback receives what it sends";
    EXPECT_GE(shown(h.controls().lblNetPackSent), Datagrams);
    EXPECT_TRUE(h.dialogs.shown().empty()) << h.dialogs.messageTexts().join('|').toStdString();
}

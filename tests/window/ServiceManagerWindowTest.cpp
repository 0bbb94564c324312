// The Services page of this computer, answered by a stand-in service manager on a private bus.
#include "PrivateBus.h"
#include "kit/GridCells.h"
#include "mgmt/local/LocalSource.h"
#include "support/GridClicks.h"
#include "support/WaitUntil.h"
#include "support/WindowHarness.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace quorvin;
using namespace quorvin::test;
using quorvin::mgmt::linux_::test::PrivateBus;

namespace {

const char *const Units = R"([
  {"id": "ssh.service", "description": "OpenBSD Secure Shell server", "active": "active", "file": "enabled"},
  {"id": "nginx.service", "description": "A high performance web server", "file": "enabled"},
  {"id": "cron.service", "description": "Regular background program processing", "active": "active", "file": "static"},
  {"id": "locked.service", "description": "Needs privileges", "file": "enabled", "deny": true}
])";

class ServicesOfThisComputer : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string missing = PrivateBus::missingTools(); !missing.empty())
            GTEST_SKIP() << "no private bus on this machine: " << missing;
        m_bus = std::make_unique<PrivateBus>(Units);
        h = std::make_unique<WindowHarness>(std::make_unique<mgmt::LocalSource>());
        h->start(QStringLiteral("/c:localhost /t:4"));
    }

    QTableView *grid() { return h->controls().msfgServ; }
    int rowOf(const char *name) { return rowWithText(grid(), 1, QString::fromLatin1(name)); }
    void click(int row, int col) { clickCell(grid(), row, col); }
    // The manager changes a unit's state a moment after it took the request, as the real one does.
    bool refreshUntil(const char *name, const char *status)
    {
        return waitUntil(
            [&] {
                QTest::mouseClick(h->controls().cmdRF, Qt::LeftButton);
                return cellText(grid(), rowOf(name), 3) == QLatin1String(status);
            },
            [] { QTest::qWait(20); });
    }

    std::unique_ptr<PrivateBus> m_bus;
    std::unique_ptr<WindowHarness> h;
};

} // namespace

TEST_F(ServicesOfThisComputer, ListsStartsAndStopsThroughTheServiceManager)
{
    EXPECT_EQ(h->controls().lblServtit->text(), QStringLiteral("Currently 2 Out Of 4 Services Are Started"));
    ASSERT_GT(rowOf("nginx.service"), 0);
    EXPECT_EQ(cellText(grid(), rowOf("nginx.service"), 0), QStringLiteral("A high performance web server"));
    EXPECT_EQ(cellText(grid(), rowOf("nginx.service"), 2), QStringLiteral("Auto"));
    EXPECT_EQ(cellText(grid(), rowOf("cron.service"), 2), QStringLiteral("Manual"));

    click(rowOf("nginx.service"), 4);
    EXPECT_TRUE(refreshUntil("nginx.service", "Started"));
    click(rowOf("ssh.service"), 4);
    EXPECT_TRUE(refreshUntil("ssh.service", "Stopped"));
    EXPECT_TRUE(h->dialogs.shown().empty()) << h->dialogs.messageTexts().join('|').toStdString();
}

TEST_F(ServicesOfThisComputer, ARefusedRequestIsReported)
{
    click(rowOf("locked.service"), 4);
    ASSERT_EQ(h->dialogs.shown().size(), 1u);
    EXPECT_TRUE(
        h->dialogs.shown()[0].text.startsWith(QStringLiteral("The Following Error Has occured:-2147024891 ")))
        << h->dialogs.shown()[0].text.toStdString();
    EXPECT_EQ(h->dialogs.shown()[0].title, QStringLiteral("Application Error"));
    EXPECT_EQ(cellText(grid(), rowOf("locked.service"), 3), QStringLiteral("Stopped"));
}

#include "support/WindowHarness.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace quorvin;
using namespace quorvin::test;

namespace {

Json withAnswers(const Json &osAnswers)
{
    Json r = recording("alpha", {{"select * from win32_operatingsystem", osAnswers},
                                 {"select * from win32_perfrawdata_perfos_processor",
                                  Json::array({processorAnswer(1000, 5000)})}});
    return r;
}

struct Captions {
    QString title, title2, reg, serial, proc, boot, mem1, mem2, install;
};

Captions captions(WindowHarness &h)
{
    const Controls &c = h.controls();
    return {c.lblTitle->text(),  c.lbltitle2->text(), c.lblReg->text(),
            c.lblSerial->text(), c.lblProc->text(),   c.lblBoot->text(),
            c.lblmem1->text(),   c.lblMem2->text(),   c.lblInstall->text()};
}

} // namespace

TEST(General, WritesTheNineCaptions)
{
    WindowHarness h(withAnswers(Json::array({Json::array({operatingSystem()})})));
    h.start();
    const Captions c = captions(h);
    EXPECT_EQ(c.title, QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
    EXPECT_EQ(c.title2, QStringLiteral("Linux 6.1.0-18-amd64"));
    EXPECT_EQ(c.reg, QStringLiteral(" Registered To: "));
    EXPECT_EQ(c.serial, QStringLiteral("Serial Number: 4c4c4544-0051"));
    EXPECT_EQ(c.proc, QStringLiteral("57 Active Processes"));
    EXPECT_EQ(c.boot, QStringLiteral("Last Bootup: 20261207041753.000000+060"));
    EXPECT_EQ(c.mem1, QStringLiteral("Free Physical Memory:  511MB"));
    EXPECT_EQ(c.mem2, QStringLiteral("Free Virtual Memory:  2,048MB"));
    EXPECT_EQ(c.install, QStringLiteral("Original Install Date: 20240102030405.000000+060"));
    EXPECT_TRUE(h.dialogs.shown().empty());
}

TEST(General, ANullServicePackOrInstallDateIsAnEmptyLine)
{
    WindowHarness h(withAnswers(
        Json::array({Json::array({operatingSystem({{"CSDVersion", nullptr}, {"InstallDate", nullptr}})})})));
    h.start();
    EXPECT_EQ(h.controls().lbltitle2->text(), QString());
    EXPECT_EQ(h.controls().lblInstall->text(), QStringLiteral("Original Install Date: "));
    EXPECT_EQ(h.controls().lblProc->text(), QStringLiteral("57 Active Processes"));
    EXPECT_TRUE(h.dialogs.shown().empty());
    EXPECT_TRUE(h.state().RealTimeMode);
}

TEST(General, AnyOtherNullEndsInTheReportBeforeALabelChanges)
{
    WindowHarness h(withAnswers(Json::array({Json::array({operatingSystem({{"Organization", "Verko"}})}),
                                             Json::array({operatingSystem({{"SerialNumber", nullptr}})})})));
    h.start();
    h.tick(3);
    EXPECT_EQ(h.controls().lblReg->text(), QStringLiteral(" Registered To: Verko"));
    EXPECT_EQ(h.dialogs.messageTexts(),
              QStringList{"The Following Error Has occured:94 Invalid use of Null"});
    EXPECT_FALSE(h.state().RealTimeMode);
    EXPECT_FALSE(h.controls().chkRealTime->isChecked());
}

TEST(General, NoInstanceWritesSixLabelsThenFailsOnTheMemory)
{
    WindowHarness h(withAnswers(Json::array({Json::array({operatingSystem()}), Json::array()})));
    h.start();
    h.tick(3);
    const Captions c = captions(h);
    EXPECT_EQ(c.title, QString());
    EXPECT_EQ(c.title2, QString());
    EXPECT_EQ(c.serial, QStringLiteral("Serial Number: "));
    EXPECT_EQ(c.proc, QStringLiteral(" Active Processes"));
    EXPECT_EQ(c.boot, QStringLiteral("Last Bootup: "));
    EXPECT_EQ(c.mem1, QStringLiteral("Free Physical Memory:  511MB"));
    EXPECT_EQ(c.install, QStringLiteral("Original Install Date: 20240102030405.000000+060"));
    EXPECT_EQ(h.dialogs.messageTexts(), QStringList{"The Following Error Has occured:13 Type mismatch"});
}

TEST(General, TheLastOfSeveralInstancesIsShown)
{
    WindowHarness h(withAnswers(Json::array(
        {Json::array({operatingSystem({{"Caption", "first"}}), operatingSystem({{"Caption", "last"}})})})));
    h.start();
    EXPECT_EQ(h.controls().lblTitle->text(), QStringLiteral("last"));
}

TEST(General, AnUnreachableComputerAsksForAnotherName)
{
    WindowHarness h(withAnswers(Json::array({Json::array({operatingSystem()})})));
    h.start();
    h.clickRealTime();
    h.controls().txtComp->setText(QStringLiteral("nowhere"));
    h.clickRealTime();
    h.tick(3);
    EXPECT_EQ(h.dialogs.messageTexts(), QStringList{"Computer Name Entered Was Not Found, Please Check"});
    EXPECT_FALSE(h.state().RealTimeMode);
    EXPECT_FALSE(h.controls().chkRealTime->isChecked());
    EXPECT_TRUE(h.controls().txtComp->isEnabled());
    EXPECT_EQ(h.state().ComputerMoniker, QStringLiteral("winmgmts://NOWHERE"));
}

// The computer's texts are shown as they are: a caption that looks like markup is not read as markup.
TEST(General, MarkupFromTheComputerIsShownLiterally)
{
    WindowHarness h(withAnswers(Json::array({Json::array({operatingSystem({{"Caption", "<b>Evil</b> OS"}})})})));
    h.start();
    EXPECT_EQ(h.controls().lblTitle->text(), QStringLiteral("<b>Evil</b> OS"));
    for (const QLabel *label : h.form().findChildren<QLabel *>())
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
}

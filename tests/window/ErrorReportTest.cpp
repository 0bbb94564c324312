#include "kit/ErrorReport.h"
#include "support/WindowHarness.h"

#include <QCheckBox>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace quorvin;
using namespace quorvin::test;

namespace {

Json minimal()
{
    return recording(
        "alpha",
        {{"select * from win32_operatingsystem", Json::array({Json::array({operatingSystem()})})},
         {"select * from win32_perfrawdata_perfos_processor", Json::array({processorAnswer(1000, 5000)})}});
}

struct Row {
    ErrorReport::Policy routine;
    std::int32_t number;
    bool boxTicked;       // chkRealTime afterwards
    bool computerEnabled; // txtComp afterwards
    bool changedBeforeMessage;
    const char *text;
    const char *title;
};

const Row Table[] = {
    {ErrorReport::Policy::SwitchOffFirst, 462, false, true, true,
     "Computer Name Entered Was Not Found, Please Check", ""},
    {ErrorReport::Policy::SwitchOffFirst, -2147024891, false, true, true,
     "The Following Error Has occured:-2147024891 Access is denied.", "Application Error"},
    {ErrorReport::Policy::ReportFirstPauseIfUnreachable, 462, true, false, true,
     "Computer Name Entered Was Not Found, Please Check", ""},
    {ErrorReport::Policy::ReportFirstPauseIfUnreachable, 11, false, true, false,
     "The Following Error Has occured:11 Division by zero", "Application Error"},
    {ErrorReport::Policy::ReportFirst, 462, false, true, true,
     "Computer Name Entered Was Not Found, Please Check", ""},
    {ErrorReport::Policy::ReportFirst, -2147217392, false, true, false,
     "The Following Error Has occured:-2147217392 Invalid class", "Application Error"},
};

} // namespace

TEST(ErrorReport, StateChangesAndMessagesOfEachRoutine)
{
    for (const Row &row : Table) {
        SCOPED_TRACE(std::string(row.text) + " routine " + std::to_string(static_cast<int>(row.routine)));
        WindowHarness h(minimal());
        h.start();
        ASSERT_TRUE(h.state().RealTimeMode);
        bool offWhenShown = false;
        h.dialogs.whileOpen = [&] { offWhenShown = !h.state().RealTimeMode; };
        ErrorReport report(h.state(), h.form().realTimeSwitch(), h.dialogs);
        report.report(row.routine, mgmt::Error(row.number));

        EXPECT_FALSE(h.state().RealTimeMode);
        EXPECT_EQ(h.controls().chkRealTime->isChecked(), row.boxTicked);
        // Clearing the box runs the Real Time Mode switch, which enables txtComp.
        EXPECT_EQ(h.controls().txtComp->isEnabled(), row.computerEnabled);
        EXPECT_EQ(offWhenShown, row.changedBeforeMessage);
        ASSERT_EQ(h.dialogs.shown().size(), 1u);
        EXPECT_EQ(h.dialogs.shown()[0].text, QString::fromLatin1(row.text));
        EXPECT_EQ(h.dialogs.shown()[0].title, QString::fromLatin1(row.title));
    }
}

TEST(ErrorReport, WhileRealTimeModeIsOffOnlyTheMessageShows)
{
    WindowHarness h(minimal());
    h.start();
    h.clickRealTime();
    ASSERT_FALSE(h.controls().chkRealTime->isChecked());
    ErrorReport report(h.state(), h.form().realTimeSwitch(), h.dialogs);
    report.report(ErrorReport::Policy::SwitchOffFirst, mgmt::Error(13));
    EXPECT_FALSE(h.controls().chkRealTime->isChecked());
    EXPECT_TRUE(h.controls().txtComp->isEnabled());
    EXPECT_EQ(h.dialogs.messageTexts(), QStringList{"The Following Error Has occured:13 Type mismatch"});
}

TEST(ErrorReport, GuardTurnsAnyFailureIntoTheReport)
{
    WindowHarness h(minimal());
    h.start();
    ErrorReport report(h.state(), h.form().realTimeSwitch(), h.dialogs);
    report.guard(ErrorReport::Policy::SwitchOffFirst, [] { throw std::runtime_error("disk on fire"); });
    EXPECT_EQ(h.dialogs.messageTexts(),
              QStringList{"The Following Error Has occured:-2147217407 disk on fire"});
    EXPECT_FALSE(h.state().RealTimeMode);
}

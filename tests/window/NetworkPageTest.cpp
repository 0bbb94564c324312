#include "pages/network/NetworkPage.h"
#include "support/WindowHarness.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace quorvin;
using namespace quorvin::test;

namespace {

struct Counters {
    long long packetsSent = 0, packetsReceived = 0, bytesSent = 0, bytesReceived = 0;
};

Json adapter(const std::string &name, long long bitsPerSecond, const Counters &c)
{
    return {{"Name", name},
            {"PacketsSentPersec", std::to_string(c.packetsSent)},
            {"PacketsReceivedPersec", std::to_string(c.packetsReceived)},
            {"BytesSentPersec", std::to_string(c.bytesSent)},
            {"BytesReceivedPersec", std::to_string(c.bytesReceived)},
            {"CurrentBandWidth", std::to_string(bitsPerSecond)}};
}

// Each answer holds three adapters; the first one's counters come from the list, the others stand still.
Json answers(const std::vector<Counters> &eth0)
{
    Json list = Json::array();
    for (const Counters &c : eth0)
        list.push_back(Json::array({adapter("eth0", 100'000'000, c), adapter("lo", 0, c),
                                    adapter("it's wifi", 54'000'000, {1, 1, 100, 100})}));
    return list;
}

Json networkRecording(const Json &adapterAnswers)
{
    return recording(
        "alpha",
        {{"select * from win32_operatingsystem", Json::array({Json::array({operatingSystem()})})},
         {"select * from win32_perfrawdata_perfos_processor", Json::array({processorAnswer(1000, 5000)})},
         {"select * from win32_perfrawdata_tcpip_networkinterface", adapterAnswers}});
}

struct NetworkPageTest : ::testing::Test {
    // The page's entry runs the list query and the adapter's query: the first two answers.
    void open(const std::vector<Counters> &eth0)
    {
        std::vector<Counters> all{eth0.front()};
        all.insert(all.end(), eth0.begin(), eth0.end());
        h = std::make_unique<WindowHarness>(networkRecording(answers(all)));
        h->start(QStringLiteral("/c:alpha /t:5"));
    }
    QString text(QLabel *label) { return label->text(); }
    const Controls &c() { return h->controls(); }

    std::unique_ptr<WindowHarness> h;
};

const Counters Base{1000, 2000, 500'000, 900'000};

Counters plus(const Counters &c, long long sent, long long received, long long packets = 10)
{
    return {c.packetsSent + packets, c.packetsReceived + packets, c.bytesSent + sent,
            c.bytesReceived + received};
}

} // namespace

TEST_F(NetworkPageTest, TheFirstRefreshTakesABaseline)
{
    open({Base});
    EXPECT_EQ(c().lstNet->count(), 3);
    EXPECT_EQ(c().lstNet->currentRow(), 0);
    EXPECT_EQ(h->form().networkPage().NetAdapter(), QStringLiteral("eth0"));
    for (QLabel *total : {c().lblNetPackSent, c().lblNetPackRec, c().lblNetByteSent, c().lblNetByteRec})
        EXPECT_EQ(total->text(), QStringLiteral("0"));
    EXPECT_EQ(text(c().lblNetPct), QStringLiteral("0%"));
    EXPECT_EQ(c().prgNet->value(), 0);
    EXPECT_EQ(text(c().lblNetBand), QStringLiteral("12,500,000Bytes/Sec"));
    EXPECT_EQ(text(c().lblRef), QStringLiteral("Current Reference:   12,500,000 Bytes/Sec"));
}

TEST_F(NetworkPageTest, UtilizationAddsBothDirectionsOverTheRealElapsedTime)
{
    const Counters second = plus(Base, 1'250'000, 1'250'000);
    const Counters third = plus(second, 30'000'000, 0);
    const Counters wrapped{0, 0, 0, 0};
    open({Base, second, third, third, wrapped});
    h->clock.advance(2);
    h->tick();
    EXPECT_EQ(text(c().lblNetPct), QStringLiteral("10%")) << "2.5 MB in 2 s against 12.5 MB/s";
    EXPECT_EQ(c().prgNet->value(), 10);
    EXPECT_EQ(text(c().lblNetByteSent), QStringLiteral("1,250,000"));
    EXPECT_EQ(text(c().lblNetPackRec), QStringLiteral("10"));
    h->clock.advance(1);
    h->tick();
    EXPECT_EQ(text(c().lblNetPct), QStringLiteral("100%"));
    EXPECT_EQ(c().prgNet->value(), 100);
    h->clock.advance(1);
    h->tick();
    EXPECT_EQ(text(c().lblNetPct), QStringLiteral("0%"));
    h->clock.advance(1);
    h->tick();
    EXPECT_EQ(text(c().lblNetByteSent), QStringLiteral("-500,000")) << "a wrapped counter is shown as it is";
    EXPECT_EQ(text(c().lblNetPct), QStringLiteral("0%"));
    EXPECT_TRUE(h->dialogs.shown().empty());
}

// A negative reference is a reference like any other, whose share the clamp makes 0.
TEST_F(NetworkPageTest, NoReferenceOrNoElapsedTimeShowsNotApplicableANegativeOneZero)
{
    open({Base, plus(Base, 1000, 1000), plus(Base, 2000, 2000), plus(Base, 3000, 3000)});
    h->tick(); // no time has passed on the clock
    EXPECT_EQ(text(c().lblNetPct), QStringLiteral("n/a"));
    EXPECT_EQ(c().prgNet->value(), 0);
    h->dialogs.answerInput(QStringLiteral("0"));
    QTest::mouseClick(c().cmdSetBand, Qt::LeftButton);
    h->clock.advance(1);
    h->tick();
    EXPECT_EQ(text(c().lblNetPct), QStringLiteral("n/a"));
    h->dialogs.answerInput(QStringLiteral("-12500"));
    QTest::mouseClick(c().cmdSetBand, Qt::LeftButton);
    EXPECT_EQ(text(c().lblRef), QStringLiteral("Current Reference:   -12,500 Bytes/Sec"));
    h->clock.advance(1);
    h->tick();
    EXPECT_EQ(text(c().lblNetPct), QStringLiteral("0%"));
    EXPECT_EQ(c().prgNet->value(), 0);
    EXPECT_TRUE(h->state().RealTimeMode);
}

TEST_F(NetworkPageTest, ANewBaselineOnAnotherAdapterAndOnRealTimeMode)
{
    open({Base, plus(Base, 5000, 5000), plus(Base, 9000, 9000), plus(Base, 12000, 12000)});
    h->clock.advance(1);
    h->tick();
    EXPECT_EQ(text(c().lblNetByteSent), QStringLiteral("5,000"));
    c().lstNet->setCurrentRow(1);
    h->tick();
    EXPECT_EQ(h->form().networkPage().NetAdapter(), QStringLiteral("lo"));
    EXPECT_EQ(text(c().lblNetByteSent), QStringLiteral("0"));
    EXPECT_EQ(text(c().lblNetBand), QStringLiteral("0Bytes/Sec"));
    h->clickRealTime();
    h->clickRealTime();
    EXPECT_EQ(c().lstNet->currentRow(), 0) << "switching Real Time Mode on rebuilds the list";
    EXPECT_EQ(text(c().lblNetByteSent), QStringLiteral("0"));
}

TEST_F(NetworkPageTest, TheReferenceDialog)
{
    open({Base, Base, Base});
    h->dialogs.answerInput(std::nullopt);
    h->dialogs.answerInput(QString());
    h->dialogs.answerInput(QStringLiteral("abc"));
    h->dialogs.answerInput(QStringLiteral("1,000,000"));
    for (int i = 0; i < 4; ++i)
        QTest::mouseClick(c().cmdSetBand, Qt::LeftButton);
    const auto &shown = h->dialogs.shown();
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_EQ(shown[0].kind, QStringLiteral("input"));
    EXPECT_EQ(shown[0].text,
              QStringLiteral("Utilization Calculations are Currently Using 12,500,000 Bytes/Sec as the "
                             "reference. To change this please provide another value"));
    EXPECT_EQ(shown[0].title, QStringLiteral("Bandwidth Reference Change"));
    EXPECT_EQ(shown[0].defaultText, QStringLiteral("12500000"));
    EXPECT_EQ(shown[3].text,
              QStringLiteral("The Value provided was Non-numeric and will not be accepted. The default "
                             "value of 12500000 Will be used instead"));
    EXPECT_EQ(shown[3].title, QString());
    EXPECT_EQ(h->form().networkPage().sample().BandwidthReference, 1'000'000);
    EXPECT_EQ(text(c().lblRef), QStringLiteral("Current Reference:   1,000,000 Bytes/Sec"));
    QTest::mouseClick(c().cmdSetBand, Qt::LeftButton);
    EXPECT_EQ(h->dialogs.shown().back().defaultText, QStringLiteral("1000000"));

    h->clickTab(0);
    h->clickTab(4);
    EXPECT_EQ(h->form().networkPage().sample().BandwidthReference, 12'500'000)
        << "the next baseline replaces it";
}

TEST_F(NetworkPageTest, AQuotedAdapterNameIsMatchedLiterally)
{
    open({Base, Base, Base});
    c().lstNet->setCurrentRow(2);
    h->tick();
    EXPECT_EQ(h->form().networkPage().NetAdapter(), QStringLiteral("it's wifi"));
    EXPECT_EQ(text(c().lblNetBand), QStringLiteral("6,750,000Bytes/Sec"));
    EXPECT_EQ(h->source().queries(
                  "select * from win32_perfrawdata_tcpip_networkinterface where name = 'it\\'s wifi'"),
              1);
}

TEST_F(NetworkPageTest, TheListHoldsExactlyTheAdaptersFound)
{
    Json list = answers({Base, Base});
    list.push_back(Json::array({adapter("eth0", 100'000'000, Base)}));
    list.push_back(Json::array({adapter("eth0", 100'000'000, Base)}));
    list.push_back(Json::array());
    h = std::make_unique<WindowHarness>(networkRecording(list));
    h->start(QStringLiteral("/c:alpha /t:5"));
    EXPECT_EQ(c().lstNet->count(), 3);
    h->clickTab(0);
    h->clickTab(4);
    EXPECT_EQ(c().lstNet->count(), 1);
    h->clickTab(0);
    h->clickTab(4);
    EXPECT_EQ(c().lstNet->count(), 0);
    EXPECT_EQ(text(c().lblNetPct), QStringLiteral("0%"));
    EXPECT_EQ(text(c().lblNetByteRec), QStringLiteral("0"));
    h->tick(3);
    EXPECT_TRUE(h->dialogs.shown().empty());
}

TEST_F(NetworkPageTest, AFailedRefreshIsReportedAndTheWindowStaysUsable)
{
    Json list = answers({Base, Base});
    list.push_back(Json{{"error", {{"number", -2147217406}, {"description", "Not found"}}}});
    h = std::make_unique<WindowHarness>(networkRecording(list));
    h->start(QStringLiteral("/c:alpha /t:5"));
    h->tick();
    EXPECT_EQ(h->dialogs.messageTexts(),
              QStringList{"The Following Error Has occured:-2147217406 Not found"});
    EXPECT_FALSE(h->state().RealTimeMode);
    h->tick(3);
    EXPECT_EQ(h->dialogs.shown().size(), 1u);
}

// The boot monitor dialogue's wait and the boot log, on a line whose far end the test writes.
#include "flasher/BootDialogue.h"
#include "app/LinkSettings.h"
#include "app/Settings.h"
#include "link/PtyLine.h"
#include "link/SerialLink.h"

#include "link/QtPrinters.h"
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct WaitCase {
    const char* name;
    QByteArray expected;
    char refusal;
    QByteArray arriving;
    int silenceMs; // short only where the silence is what is tested
    TWaitResult result;
    QByteArray left; // what the wait leaves in the input for the next one
};

// The case by its name in test lists and failure messages.
void PrintTo(const WaitCase& c, std::ostream* os) {
    *os << c.name;
}

class WaitForTest : public ::testing::TestWithParam<WaitCase> {
protected:
    void SetUp() override {
        qputenv("WinDir", dir.path().toUtf8());
        TSerialLink::SetPortEnumerator([] { return QStringList(); });
        ASSERT_TRUE(line.Ok());
        WriteSetting(QStringLiteral("COMPORT"), line.path);
        link = std::make_unique<TSerialLink>();
        link->SetClients(&clients);
        link->Start();
        // The watchdog's link reset would purge what the test writes.
        link->StopPeriodic();
        ASSERT_TRUE(link->Port().isOpen());
        link->SwitchToMonitorMode(TSerialLink::RouteHold);
    }
    void TearDown() override {
        link.reset();
        TSerialLink::SetPortEnumerator({});
        qunsetenv("WinDir");
    }

    QTemporaryDir dir;
    PtyLine line;
    TSettingsFileLinkClients clients; // the port comes from the settings file
    std::unique_ptr<TSerialLink> link;
    TBootLog log;
};

TEST_P(WaitForTest, WalksThroughTheExpectedText) {
    const WaitCase& c = GetParam();
    TBootDialogue dialogue(*link, log);
    dialogue.SilenceTimeoutMs = c.silenceMs;
    line.Write(c.arriving);
    EXPECT_EQ(dialogue.WaitFor(c.expected, c.refusal), c.result);
    if (!c.left.isEmpty()) {
        dialogue.SilenceTimeoutMs = 5000;
        EXPECT_EQ(dialogue.WaitFor(c.left), TWaitResult::Matched) << "the rest stays for the next wait";
    }
    EXPECT_TRUE(log.Text().isEmpty()) << "matched bytes are not shown";
}

INSTANTIATE_TEST_SUITE_P(
    Answers, WaitForTest,
    ::testing::Values(
        WaitCase{"Exact", "OK.\n\r>", 0, "OK.\n\r>", 5000, TWaitResult::Matched, ""},
        WaitCase{"ThreeStrayBytesBeforeEachByte", "OK>", 0, "abcOdefKghi>", 5000, TWaitResult::Matched, ""},
        WaitCase{"FourStrayBytesInARow", "OK>", 0, "abcdOK>", 5000, TWaitResult::Mismatched, ""},
        WaitCase{"FourStrayBytesInsideTheText", "OK>", 0, "OwxyzK>", 5000, TWaitResult::Mismatched, ""},
        WaitCase{"SilentBeforeTheEnd", "OK>", 0, "OK", 300, TWaitResult::TimedOut, ""},
        WaitCase{"NothingAtAll", "\x06", 0, "", 300, TWaitResult::TimedOut, ""},
        WaitCase{"RefusalEndsTheWaitAtOnce", "\x06", '\x15', "\x15", 10000, TWaitResult::Refused, ""},
        WaitCase{"ReadsNoFurtherThanTheMatch", "\x06", '\x15', "\x06\n\r>", 5000, TWaitResult::Matched,
                 "\n\r>"}),
    [](const ::testing::TestParamInfo<WaitCase>& info) { return std::string(info.param.name); });

TEST(BootLog, EchoStartsALineAtEachCarriageReturnAndDropsLineFeeds) {
    TBootLog log;
    log.Echo("Type ESC to enter monitor mode\n\r");
    log.Echo("Monitor act");
    log.Echo("ive\n\r>");
    EXPECT_EQ(log.Text(), QStringLiteral("Type ESC to enter monitor mode\nMonitor active\n>"));
    log.AddLine(QStringLiteral("Erasing Sector 00..."));
    log.Append(QStringLiteral("OK"));
    EXPECT_EQ(log.Text().section(QLatin1Char('\n'), -1), QStringLiteral("Erasing Sector 00...OK"));
    EXPECT_TRUE(log.Contains(QStringLiteral("MONITOR ACTIVE")));
    EXPECT_FALSE(log.Contains(QStringLiteral("Monitor active"), log.Text().indexOf(QLatin1Char('>'))));
}

TEST(BootLog, ReplacingTheTailRewritesTheCountInPlace) {
    TBootLog log;
    QStringList replaced;
    QObject::connect(&log, &TBootLog::TailReplaced, [&](qsizetype position, const QString& text) {
        replaced << QString::number(position) + text;
    });
    log.AddLine(QStringLiteral("Flashing line "));
    const qsizetype caret = log.Size();
    log.ReplaceFrom(caret, QStringLiteral("1 of 340"));
    log.ReplaceFrom(caret, QStringLiteral("12 of 340"));
    EXPECT_EQ(log.Text(), QStringLiteral("Flashing line 12 of 340"));
    EXPECT_EQ(replaced, (QStringList{QStringLiteral("141 of 340"), QStringLiteral("1412 of 340")}));
}

} // namespace

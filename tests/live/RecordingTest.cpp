#include "LiveFixture.h"
#include "common/DamagedInputs.h"
#include "common/FileBytes.h"
#include "common/ScriptedDialogs.h"
#include "live/RecordingFile.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <functional>

namespace {

// A line of n tab-separated fields after the first: "first\tv\tv...".
QByteArray Fields(const QByteArray& first, int n, const QByteArray& value) {
    QByteArray line = first;
    for (int i = 0; i < n; ++i)
        line += '\t' + value;
    return line;
}

class Recording : public LiveFixture {
protected:
    Recording() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        path = dir.filePath("run.txt");
    }
    ~Recording() override { QLocale::setDefault(QLocale::system()); }

    // Standard polling with the engine at 2015 rpm and 412 mbar; each tick is one poll.
    void StartLive() {
        acq.SetStandard(true);
        acq.Raw.RawRPM = 2015;
        acq.Raw.Words[40] = 412;
        acq.ComputeValues();
    }
    // One poll tick, answered by the ECU with the same engine values.
    void Tick() {
        acq.PollLiveData();
        Reply(ReplyCode(cmdLiveData), Words({{0, 2015}, {80, 412}, {22, waterWord}}, 104));
    }
    QList<QByteArray> Lines() { return ReadAll(path).split('\n'); }

    uint16_t waterWord = 0;
    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    QString path;
};

TEST_F(Recording, TwoTicksGiveHeaderTwoDataLinesAndTheClosingLine) {
    StartLive();
    display.Visible[2] = true; // TPS, Max 5: "%4.1f" pads it to four characters
    display.Visible[16] = false;
    acq.StartSaving(path);
    EXPECT_TRUE(acq.Saving);
    EXPECT_TRUE(display.saveDown);
    EXPECT_FALSE(display.loadEnabled);
    EXPECT_EQ(display.state, TDisplayState::Recording);
    EXPECT_EQ(display.stateFile, path);
    Tick();
    Tick();
    acq.StopSaving();
    EXPECT_FALSE(acq.Saving);
    EXPECT_FALSE(display.saveDown);
    EXPECT_TRUE(display.loadEnabled);
    EXPECT_EQ(display.state, TDisplayState::Live);

    const QByteArray bytes = ReadAll(path);
    const QList<QByteArray> lines = bytes.split('\n');
    ASSERT_EQ(lines.size(), 4);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(lines[i].endsWith('\r')) << i;
    EXPECT_TRUE(lines[0].startsWith("time [s]\tRevs [RPM]\tMAP [mbar]\tTPS [V]\tGas 1 [ms]\t"));
    EXPECT_TRUE(lines[0].endsWith("\tCoil 2 [A]\tRail [mbar]\r"));
    EXPECT_EQ(lines[0].count('\t'), TraceCount);
    EXPECT_TRUE(lines[1].startsWith("0.00\t2015.00\t412.00\t0.00\t")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith("0.15\t2015.00\t")) << lines[2].toStdString();
    EXPECT_EQ(lines[1].count('\t'), TraceCount);
    // The closing line has no line end: hidden traces carry 0, visible ones their Max.
    QByteArray closing = "SCALING\t6000.0\t3000.0\t 5.0\t0\t0\t0\t0\t 1.0";
    for (int k = 8; k < TraceCount; ++k)
        closing += "\t0";
    EXPECT_EQ(lines[3], closing);
}

// Every column of a recording line holds its own quantity, converted from the reply's words: a
// distinct value per column, written, then read back into the traces.
TEST_F(Recording, EachColumnHoldsItsOwnQuantityWrittenAndReadBack) {
    acq.SetStandard(true); // clears the words: before they are set
    auto& w = acq.Raw.Words;
    acq.Raw.RawRPM = 2345;
    acq.Raw.RawBattery = 1234;
    const std::pair<int, int32_t> words[] = {
        {40, 678},   {49, 102},   {22, 3100}, {26, 3400}, {0, 4200}, {4, 4500},   {30, 51},  {31, 102},
        {41, 153},   {36, 49152}, {37, 16384}, {47, 85},  {48, 5},   {10, 200},   {9, 360},  {32, 1100},
        {52, 186},   {8, 480},    {12, 7},    {16, 9},    {33, 2600}};
    for (const auto& [word, value] : words)
        w[size_t(word)] = value;
    // Column by column: speed, MAP, TPS, gas 1 and 5, petrol 1 and 5, lambda 1, 2 and reference,
    // both gas trims, both emulations, gas and water temperature, gas pressure, level, battery,
    // Vcc, coils 1 and 5, rail pressure.
    const double expected[TraceCount] = {2345, 678,  2.0,  3.1,  3.4,  4.2,  4.5,  0.2,    0.4,  0.6,  75,  25,
                                         0.85, 0.05, 30,   70,   1100, 1.0,  12.34, 4.69, 7,    9,    2600};
    acq.ComputeValues();
    display.Visible.fill(true);
    acq.StartSaving(path);
    acq.PollLiveData();
    acq.StopSaving();

    const QList<QByteArray> lines = Lines();
    ASSERT_GE(lines.size(), 3);
    const QList<QByteArray> fields = lines[1].trimmed().split('\t');
    ASSERT_EQ(fields.size(), TraceCount + 1);
    for (int k = 0; k < TraceCount; ++k)
        EXPECT_NEAR(fields[k + 1].trimmed().toDouble(), expected[k], 0.006) << "column " << k + 1;

    acq.LoadFile(path);
    ASSERT_TRUE(acq.Loading);
    for (int k = 0; k < TraceCount; ++k)
        EXPECT_NEAR(display.Points[k].back().value * display.Max[k] / 100, expected[k], 0.006) << "trace " << k;
}

// Each line is in the file as soon as it is written, and switching saving off alone closes the
// file with its lines intact, and writes nothing more.
TEST_F(Recording, EveryLineReachesTheFileAtOnceAndACutOffRecordingKeepsItsLines) {
    StartLive();
    acq.StartSaving(path);
    Tick();
    EXPECT_EQ(Lines().size(), 3); // header, one line, and the empty rest after the last CR LF
    Tick();
    EXPECT_EQ(Lines().size(), 4);
    acq.SetSaving(false);
    EXPECT_FALSE(acq.DataFile.isOpen());
    // ...and the display is live again, ready to load or record.
    EXPECT_EQ(display.state, TDisplayState::Live);
    EXPECT_TRUE(display.loadEnabled);
    EXPECT_FALSE(display.loadDown);
    EXPECT_FALSE(display.saveDown);
    Tick();
    const QList<QByteArray> lines = Lines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[2].startsWith("0.15\t"));
    EXPECT_TRUE(lines[3].isEmpty());

    // Without a closing line the file loads and the trace list stays as it was.
    display.Visible.fill(true);
    display.Max[0] = 8000;
    acq.LoadFile(path);
    EXPECT_TRUE(dialogs.told.isEmpty()) << dialogs.told.join('\n').toStdString();
    EXPECT_TRUE(acq.Loading);
    for (int k = 0; k < TraceCount; ++k)
        EXPECT_TRUE(display.Visible[k]);
    EXPECT_EQ(display.Max[0], 8000);
    EXPECT_DOUBLE_EQ(display.axisTo, 0.15);
}

// Loading restores visibility and Max from the closing line, draws every data line scaled by the
// Max now in force, and sets the time axis from 0 to the last line's time.
TEST_F(Recording, LoadedFileRestoresTheTraceListAndDrawsItsLines) {
    StartLive();
    display.Visible[16] = false;
    display.Max[0] = 4000;
    acq.StartSaving(path);
    Tick();
    Tick();
    Tick();
    acq.StopSaving();

    display.Visible.fill(true);
    display.Max[0] = 9999;
    acq.LoadFile(path);
    EXPECT_TRUE(acq.Loading);
    EXPECT_EQ(acq.LoadedFileName(), path);
    EXPECT_FALSE(display.saveEnabled);
    EXPECT_FALSE(display.saveDown);
    EXPECT_TRUE(display.loadDown);
    EXPECT_EQ(display.state, TDisplayState::ShowingFile);
    for (int k = 0; k < TraceCount; ++k)
        EXPECT_EQ(display.Visible[k], k == 0 || k == 1 || k == 7) << k; // hidden traces come back hidden
    EXPECT_EQ(display.Max[0], 4000);
    EXPECT_DOUBLE_EQ(display.axisFrom, 0);
    EXPECT_DOUBLE_EQ(display.axisTo, 0.30);
    ASSERT_EQ(display.Points[0].size(), 4u); // the point at 0 left by ClearTraces, then 3 lines
    const FakeDisplay::Point last = display.Points[0].back();
    EXPECT_DOUBLE_EQ(last.time, 0.30);
    EXPECT_DOUBLE_EQ(last.value, 2015 * 100.0 / 4000);
    EXPECT_EQ(display.Points[22].size(), 4u); // hidden traces are in every line too

    // Live ticks while a file is shown add no points.
    Tick();
    EXPECT_EQ(display.Points[0].size(), 4u);

    acq.EndLoading();
    EXPECT_FALSE(acq.Loading);
    EXPECT_FALSE(display.loadDown);
    EXPECT_TRUE(display.saveEnabled); // standard polling is on
    EXPECT_EQ(display.state, TDisplayState::Live);
    EXPECT_EQ(display.Points[0].size(), 1u);
    EXPECT_DOUBLE_EQ(display.axisTo, 100);

    acq.LoadFile(path);
    acq.SetSuperFast(true);
    acq.SetStandard(false);
    acq.EndLoading();
    EXPECT_TRUE(display.saveEnabled);
}

// What the link does to the polling switches on its own: a link reset (the watchdog, "Clear TX
// queue", a port chosen) switches standard polling off and on again; a connection reply with the
// meters showing switches standard on and super-fast off. None of them touches a file being
// viewed, and none restarts a recording in the middle of its file.
TEST_F(Recording, LinkEventsNeverClearAFileBeingViewedNorRestartARecording) {
    const std::pair<const char*, std::function<void(TAcquisitions&)>> events[] = {
        {"link reset",
         [](TAcquisitions& a) {
             const bool standard = a.Standard;
             a.SetStandard(false);
             a.SetStatusUpdate(false);
             a.SetSaving(false);
             a.SetStandard(standard);
             a.SetStatusUpdate(true);
         }},
        {"connection reply",
         [](TAcquisitions& a) {
             a.SetStandard(true);
             a.SetSuperFast(false);
         }},
        {"super-fast on", [](TAcquisitions& a) { a.SetSuperFast(true); }},
    };
    StartLive();
    acq.StartSaving(path);
    Tick();
    Tick();
    acq.StopSaving();
    for (const auto& [name, event] : events) {
        acq.SetSuperFast(false);
        acq.SetStandard(false);
        acq.LoadFile(path);
        ASSERT_EQ(display.Points[0].size(), 3u) << name;
        event(acq);
        EXPECT_TRUE(acq.Loading) << name;
        EXPECT_EQ(display.Points[0].size(), 3u) << name;
        EXPECT_FALSE(display.saveEnabled) << name;
        EXPECT_EQ(display.state, TDisplayState::ShowingFile) << name;
        EXPECT_EQ(acq.LoadedFileName(), path) << name;
        acq.EndLoading();
    }

    // A super-fast recording: standard polling switched on under it keeps the time running.
    const QString second = dir.filePath("fast.txt");
    acq.SetStandard(false);
    acq.SetSuperFast(true);
    acq.StartSaving(second);
    Tick();
    Tick();
    acq.SetStandard(true);
    Tick();
    acq.StopSaving();
    const QList<QByteArray> lines = ReadAll(second).split('\n');
    ASSERT_GE(lines.size(), 4);
    EXPECT_TRUE(lines[3].startsWith("0.30\t")) << lines[3].toStdString();
}

// A file recorded in another language has other titles in its header, which is skipped; one
// recorded where the decimal separator is a comma loads here too.
TEST_F(Recording, FileFromAnotherLanguageOrLocaleLoads) {
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    StartLive();
    waterWord = 390; // 77.5 degrees
    display.Titles[0] = "Giri [RPM]";
    display.Max[15] = 150;
    display.Visible[15] = true;
    acq.StartSaving(path);
    Tick();
    Tick();
    acq.StopSaving();
    const QList<QByteArray> lines = Lines();
    EXPECT_TRUE(lines[0].startsWith("time [s]\tGiri [RPM]\t"));
    EXPECT_TRUE(lines[2].startsWith("0,15\t2015,00\t412,00\t")) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].contains("\t150,0\t"));

    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    display.Visible[15] = false;
    display.Max[15] = 100;
    acq.LoadFile(path);
    EXPECT_TRUE(dialogs.told.isEmpty()) << dialogs.told.join('\n').toStdString();
    EXPECT_TRUE(display.Visible[15]);
    EXPECT_EQ(display.Max[15], 150);
    EXPECT_DOUBLE_EQ(display.Points[15].back().value, 77.5 * 100 / 150);
    EXPECT_DOUBLE_EQ(display.axisTo, 0.15);
}

// Bad files are reported, leave the trace list as it was and put the display back to live.
TEST_F(Recording, BadFilesAreReportedAndTheDisplayGoesBackToLive) {
    const QByteArray header = Fields("time [s]", TraceCount, "x") + "\r\n";
    const QByteArray good = Fields("0.00", TraceCount, "1.00") + "\r\n";
    const struct {
        const char* name;
        QByteArray content;
        const char* message;
    } cases[] = {
        {"empty", "", "holds no acquired data"},
        {"header only", header, "holds no acquired data"},
        {"header and closing line", header + Fields("SCALING", TraceCount, "5.0"), "holds no acquired data"},
        {"a value too many", header + good + Fields("0.15", TraceCount + 1, "1.00") + "\r\n",
         "Line 3 of the file"},
        {"closing line too long", header + good + Fields("SCALING", TraceCount + 1, "5.0"),
         "more values than the 23"},
        {"not a number", header + good + "0.15\t12.5\tabc\r\n", "\"abc\" is not a number"},
        {"bad time", header + "zero\t1.00\r\n", "Line 2 of the file"},
        {"infinite", header + "0.00\tinf\r\n", "\"inf\" is not a number"},
        {"bad scaling", header + good + "SCALING\t5,0.0", "is not a number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(path, c.content);
        dialogs.told.clear();
        display.Visible.fill(true);
        display.Max.fill(7);
        acq.LoadFile(path);
        ASSERT_EQ(dialogs.told.size(), 1);
        EXPECT_TRUE(dialogs.told[0].contains(c.message)) << dialogs.told[0].toStdString();
        EXPECT_TRUE(dialogs.told[0].contains(path));
        EXPECT_FALSE(acq.Loading);
        EXPECT_FALSE(display.loadDown);
        EXPECT_EQ(display.state, TDisplayState::Live);
        for (int k = 0; k < TraceCount; ++k) {
            EXPECT_TRUE(display.Visible[k]);
            EXPECT_EQ(display.Max[k], 7);
        }
    }
    dialogs.told.clear();
    acq.LoadFile(dir.filePath("missing.txt"));
    ASSERT_EQ(dialogs.told.size(), 1);
    EXPECT_TRUE(dialogs.told[0].startsWith("Cannot read the file "));
    EXPECT_FALSE(acq.Loading);
}

// The shared damaged corpus over a real recording. A cut after a whole line is a recording cut
// off, and a cut inside a number can still be a number, so some damaged files load; those must
// hold what a recording can hold. Every refusal names the file (and the line, where there is
// one), leaves the trace list as it was and puts the display back to live; the file is never
// written.
TEST_F(Recording, SharedDamagedCorpusIsRefusedOrShowsWhatARecordingCanHold) {
    StartLive();
    acq.StartSaving(path);
    for (int i = 0; i < 4; ++i)
        Tick();
    acq.StopSaving();
    const QByteArray good = ReadAll(path);
    ASSERT_GT(good.size(), 600);

    const QString damaged = dir.filePath("damaged.txt");
    int refused = 0;
    for (const TDamagedInput& input : DamagedCorpus(good, 20261211, 150, 300, 3)) {
        SCOPED_TRACE(input.kind.toStdString());
        WriteAll(damaged, input.bytes);
        display.Visible.fill(true);
        display.Max.fill(7);
        dialogs.told.clear();
        acq.LoadFile(damaged);
        ASSERT_EQ(ReadAll(damaged), input.bytes);
        if (acq.Loading) {
            ASSERT_TRUE(dialogs.told.isEmpty());
            EXPECT_EQ(display.state, TDisplayState::ShowingFile);
            TRecording r;
            ASSERT_TRUE(ReadRecordingFile(damaged, TraceCount, r, nullptr));
            for (size_t k = 0; k < r.Scaling.size(); ++k)
                EXPECT_TRUE(r.Scaling[k] >= 0 && r.Scaling[k] <= MaxTraceFullScale);
            for (double t : r.Times)
                EXPECT_GE(t, 0);
            for (double m : display.Max)
                EXPECT_TRUE(m >= 0 && m <= MaxTraceFullScale);
            acq.EndLoading();
            continue;
        }
        ++refused;
        ASSERT_EQ(dialogs.told.size(), 1);
        EXPECT_TRUE(dialogs.told[0].contains(damaged)) << dialogs.told[0].toStdString();
        EXPECT_EQ(display.state, TDisplayState::Live);
        for (int k = 0; k < TraceCount; ++k) {
            ASSERT_TRUE(display.Visible[k]);
            ASSERT_EQ(display.Max[k], 7);
        }
    }
    // All noise and every cut inside the header at least.
    EXPECT_GT(refused, 150);
}

TEST_F(Recording, FileThatCannotBeCreatedIsReportedAndNothingChanges) {
    StartLive();
    Tick();
    const size_t points = display.Points[0].size();
    acq.StartSaving(dir.filePath("no such folder/run.txt"));
    ASSERT_EQ(dialogs.told.size(), 1);
    EXPECT_TRUE(dialogs.told[0].startsWith("Cannot create the recording file "));
    EXPECT_FALSE(acq.Saving);
    EXPECT_FALSE(display.saveDown);
    EXPECT_TRUE(display.loadEnabled);
    EXPECT_EQ(display.state, TDisplayState::Live);
    EXPECT_EQ(display.Points[0].size(), points); // the live traces were not cleared
}

TEST_F(Recording, FileThatCannotBeWrittenIsReportedAndTheDisplayGoesBackToLive) {
    if (!QFile::exists("/dev/full")) GTEST_SKIP() << "needs a device that is always full";
    StartLive();
    acq.StartSaving("/dev/full");
    ASSERT_EQ(dialogs.told.size(), 1);
    EXPECT_TRUE(dialogs.told[0].startsWith("Cannot write to the recording file /dev/full"));
    EXPECT_FALSE(acq.Saving);
    EXPECT_FALSE(acq.DataFile.isOpen());
    EXPECT_TRUE(display.loadEnabled);
    EXPECT_EQ(display.state, TDisplayState::Live);
    Tick();
    EXPECT_EQ(dialogs.told.size(), 1);
}

// Saving over an existing file replaces it.
TEST_F(Recording, StartingOverAnExistingFileReplacesIt) {
    WriteAll(path, QByteArray(5000, 'x'));
    StartLive();
    acq.StartSaving(path);
    acq.StopSaving();
    const QList<QByteArray> lines = Lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("time [s]\t"));
    EXPECT_TRUE(lines[1].startsWith("SCALING\t"));
}

// A dropped full request ends the recording properly, with its closing line.
TEST_F(Recording, DroppedFullRequestStopsSavingWithTheClosingLine) {
    StartLive();
    acq.SetStatusUpdate(true);
    acq.StartSaving(path);
    acq.PollLiveData();
    queue.Flush(); // as when the connection is lost
    EXPECT_FALSE(acq.Saving);
    EXPECT_FALSE(acq.Standard);
    const QList<QByteArray> lines = Lines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[2].startsWith("SCALING\t6000.0\t"));
}

TEST(DisplayState, CaptionAndChartColourPerState) {
    const struct {
        TDisplayState state;
        const char* caption;
        uint32_t colour;
    } cases[] = {{TDisplayState::Live, "Display", 0x000080},
                 {TDisplayState::Recording, "Display - saving acquired data in run.txt", 0x800000},
                 {TDisplayState::ShowingFile, "Display - data acquired in run.txt", 0x808000}};
    for (const auto& c : cases) {
        EXPECT_EQ(DisplayCaption(c.state, "run.txt"), QLatin1String(c.caption));
        EXPECT_EQ(DisplayGradientEnd(c.state), c.colour);
    }
}

TEST(RecordingNumbers, FormatAndParseFollowTheLocale) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatFixed(2015, 4, 2), "2015,00"); // no group separator
    EXPECT_EQ(FormatFixed(0.001, 1, 2), "0,00");
    EXPECT_EQ(FormatFixed(-300, 4, 2), "-300,00");
    EXPECT_EQ(FormatFixed(5, 4, 1), " 5,0");
    EXPECT_EQ(FormatFixed(12345.678, 4, 1), "12345,7");
    double v = 0;
    EXPECT_TRUE(ParseRecordedNumber(u" 5,0", v));
    EXPECT_DOUBLE_EQ(v, 5);
    EXPECT_TRUE(ParseRecordedNumber(u"-300.25", v));
    EXPECT_DOUBLE_EQ(v, -300.25);
    for (const char16_t* bad : {u"", u"1.000,5", u"1,2,3", u"nan", u"12a", u"0x10", u"--1"})
        EXPECT_FALSE(ParseRecordedNumber(bad, v)) << QString::fromUtf16(bad).toStdString();
    QLocale::setDefault(QLocale::system());
}

} // namespace

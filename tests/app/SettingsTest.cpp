#include "app/Constants.h"
#include "app/Settings.h"
#include "common/DamagedInputs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        qputenv("WinDir", dir.path().toUtf8());
    }
    void TearDown() override { qunsetenv("WinDir"); }

    void WriteRaw(const QByteArray& content) {
        QFile f(SettingsFilePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QByteArray ReadRaw() {
        QFile f(SettingsFilePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

TEST_F(SettingsFile, LivesInWinDirUnderTheApplicationTitle) {
    EXPECT_EQ(ApplicationTitle(), "Corvane Diagnostic 1.01");
    EXPECT_EQ(SettingsFilePath(), dir.path() + "/Corvane Diagnostic 1.01.ini");
}

TEST_F(SettingsFile, MissingFileReadsEmptyAndFirstWriteCreatesIt) {
    EXPECT_EQ(ReadSetting("COMPORT"), "");
    EXPECT_TRUE(WriteSetting("COMPORT", "ttyUSB0"));
    EXPECT_EQ(ReadRaw(), "COMPORT = ttyUSB0\n");
    EXPECT_EQ(ReadSetting("COMPORT"), "ttyUSB0");
}

TEST_F(SettingsFile, WriteMovesTheKeyFirstAndKeepsOthersInOrder) {
    WriteRaw("COM_AUTOSCAN = TRUE\nCOMPORT = 3\n");
    ASSERT_TRUE(WriteSetting("COMPORT", "5"));
    EXPECT_EQ(ReadRaw(), "COMPORT = 5\nCOM_AUTOSCAN = TRUE\n");
}

TEST_F(SettingsFile, TwelveLinesLoseTheirLastThree) {
    QByteArray content;
    for (int i = 1; i <= 12; ++i)
        content += "K" + QByteArray::number(i) + " = " + QByteArray::number(i) + "\n";
    WriteRaw(content);
    ASSERT_TRUE(WriteSetting("NEW", "x"));
    QByteArray expected = "NEW = x\n";
    for (int i = 1; i <= 9; ++i)
        expected += "K" + QByteArray::number(i) + " = " + QByteArray::number(i) + "\n";
    EXPECT_EQ(ReadRaw(), expected);
}

TEST_F(SettingsFile, AReplacedLineStillUsesUpItsSlot) {
    QByteArray content;
    for (int i = 1; i <= 9; ++i)
        content += (i == 2 ? QByteArray("COMPORT = 1") : "K" + QByteArray::number(i) + " = v") + "\n";
    content += "K10 = v\n";
    WriteRaw(content);
    ASSERT_TRUE(WriteSetting("COMPORT", "2"));
    const QList<QByteArray> lines = ReadRaw().split('\n');
    EXPECT_EQ(lines.first(), "COMPORT = 2");
    EXPECT_EQ(lines.size() - 1, 9); // COMPORT + K1, K3..K9: K10 was the tenth old line
    EXPECT_FALSE(ReadRaw().contains("K10"));
}

TEST_F(SettingsFile, LastMatchingLineWinsAndKeysAreCaseSensitive) {
    WriteRaw("RANGE_CHECK = FALSE\nrange_check = TRUE\nRANGE_CHECK = TRUE\n");
    EXPECT_EQ(ReadSetting("RANGE_CHECK"), "TRUE");
    EXPECT_EQ(ReadSetting("range_check"), "TRUE");
    EXPECT_EQ(ReadSetting("Range_Check"), "");
}

struct SplitCase {
    const char* line;
    const char* key;
    const char* value;
};

class SettingsLineSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SettingsLineSplit, FollowsTheFileRules) {
    QString key, value;
    SplitSettingLine(QString::fromUtf8(GetParam().line), key, value);
    EXPECT_EQ(key, QString::fromUtf8(GetParam().key));
    EXPECT_EQ(value, QString::fromUtf8(GetParam().value));
}

INSTANTIATE_TEST_SUITE_P(Lines, SettingsLineSplit,
                         ::testing::Values(SplitCase{"COMPORT = 3", "COMPORT", "3"},
                                           SplitCase{"RANGE_CHECK=TRUE", "RANGE_CHECK", "TRUE"},
                                           SplitCase{"RANGE_CHECK=true", "RANGE_CHECK", "true"},
                                           SplitCase{"KEY=VALUE=X", "KEY", "X"},
                                           SplitCase{"KEY  =  V", "KEY ", " V"},
                                           SplitCase{"LONELY ", "LONELY", ""},
                                           SplitCase{"=abc", "", ""},
                                           SplitCase{"KEY =", "KEY", ""}));

TEST_F(SettingsFile, RangeCheckValuesReadExactly) {
    WriteRaw("RANGE_CHECK=TRUE\n");
    EXPECT_EQ(ReadSetting("RANGE_CHECK"), "TRUE");
    WriteRaw("RANGE_CHECK = true\n");
    EXPECT_NE(ReadSetting("RANGE_CHECK"), "TRUE"); // lower case is not on
}

TEST_F(SettingsFile, AFolderThatCannotBeWrittenIsReportedAndTheFileSurvives) {
    WriteRaw("COMPORT = 3\n");
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QFile probe(dir.path() + "/probe");
    const bool canStillWrite = probe.open(QIODevice::WriteOnly); // root ignores permissions
    probe.remove();
    QString error;
    const bool ok = WriteSetting("COMPORT", "4", &error);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (canStillWrite) GTEST_SKIP() << "running with rights that ignore folder permissions";
    EXPECT_FALSE(ok);
    EXPECT_TRUE(error.contains("Corvane Diagnostic 1.01.ini")) << error.toStdString();
    EXPECT_EQ(ReadRaw(), "COMPORT = 3\n");
}

TEST_F(SettingsFile, AnUnwritableLocationIsReported) {
    qputenv("WinDir", "/proc/corvane-no-such-place");
    QString error;
    EXPECT_FALSE(WriteSetting("COMPORT", "1", &error));
    EXPECT_FALSE(error.isEmpty());
}

// The shared damaged corpus over a settings file. Its lines are free text, so cuts and most
// overwritten bytes are still a settings file and read; what is not text (NUL bytes, bytes that
// are not UTF-8, a size no ten lines reach) is refused for reading and for writing, naming the
// file, and the file is left exactly as it was.
TEST_F(SettingsFile, SharedDamagedCorpusIsNeverRewritten) {
    const QByteArray good = "COMPORT = ttyUSB0\nCOM_AUTOSCAN = FALSE\nRANGE_CHECK = TRUE\nNOTE = caffè\n";
    const QString shown = QDir::toNativeSeparators(SettingsFilePath());
    int refused = 0;
    for (const TDamagedInput& input : DamagedCorpus(good, 20261214, 200, 200)) {
        SCOPED_TRACE(input.kind.toStdString());
        WriteRaw(input.bytes);
        QString error;
        ReadSetting("COMPORT", &error);
        ASSERT_EQ(ReadRaw(), input.bytes);
        if (error.isEmpty()) {
            ASSERT_TRUE(WriteSetting("COMPORT", "ttyS1", &error)) << error.toStdString();
            EXPECT_EQ(ReadSetting("COMPORT"), "ttyS1");
            continue;
        }
        ++refused;
        EXPECT_EQ(error, "Cannot read the settings file " + shown +
                             ": the file is damaged (it is not a short text file of settings) and is left as it is");
        error.clear();
        EXPECT_FALSE(WriteSetting("COMPORT", "ttyS1", &error));
        EXPECT_TRUE(error.contains(shown)) << error.toStdString();
        ASSERT_EQ(ReadRaw(), input.bytes);
    }
    EXPECT_GT(refused, 150);
}

} // namespace

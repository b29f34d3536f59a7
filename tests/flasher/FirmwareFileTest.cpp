// The firmware file as the flasher reads it: every line checked before the ECU is touched.
#include "flasher/FirmwareFile.h"
#include "FirmwareLines.h"
#include "common/DamagedInputs.h"
#include "common/FileBytes.h"

#include "link/QtPrinters.h"
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct FileCase {
    const char* name;
    const char* fileName;
    QByteArray content;
    bool accepted;
    const char* errorPart; // part of the error text
};

// The case by its name in test lists and failure messages.
void PrintTo(const FileCase& c, std::ostream* os) {
    *os << c.name;
}

QByteArray Joined(const QByteArrayList& lines, const QByteArray& end = "\r\n") {
    QByteArray out;
    for (const QByteArray& l : lines)
        out += l + end;
    return out;
}

class FirmwareFileTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(FirmwareFileTest, AcceptsOrRefusesTheWholeFile) {
    const FileCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(c.fileName));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.content);
    }
    QByteArrayList lines{"left over"};
    QString error;
    EXPECT_EQ(TFirmwareFile::Read(path, lines, error), c.accepted) << error.toStdString();
    if (c.accepted) {
        EXPECT_TRUE(error.isEmpty());
        EXPECT_FALSE(lines.isEmpty());
    } else {
        EXPECT_TRUE(lines.isEmpty()) << "a refused file leaves no lines to flash";
        EXPECT_TRUE(error.contains(QString::fromLatin1(c.errorPart))) << error.toStdString();
        EXPECT_TRUE(error.contains(QString::fromLatin1(c.fileName))) << error.toStdString();
    }
}

const QByteArrayList Good = FirmwareLines(5);

QByteArrayList With(int index, const QByteArray& line) {
    QByteArrayList l = Good;
    l[index] = line;
    return l;
}

QByteArray BadChecksum() {
    QByteArray l = Good[2];
    l[l.size() - 1] = l[l.size() - 1] == '0' ? '1' : '0';
    return l;
}

INSTANTIATE_TEST_SUITE_P(
    Files, FirmwareFileTest,
    ::testing::Values(
        FileCase{"SRecordsWithCrLf", "keld.mhx", Joined(Good), true, ""},
        FileCase{"SRecordsWithLf", "keld.mhx", Joined(Good, "\n"), true, ""},
        FileCase{"LastLineWithoutEnd", "keld.mhx", Joined(Good).chopped(2), true, ""},
        FileCase{"EncodedLinesAreNotInterpreted", "keld.enc", "Zq3!x9\n#@ABCDEF\n", true, ""},
        FileCase{"EmptyFile", "keld.mhx", "", false, "holds no firmware"},
        FileCase{"BadChecksum", "keld.mhx", Joined(With(2, BadChecksum())), false,
                 "line 3 has a wrong checksum"},
        FileCase{"NotAnSRecord", "keld.mhx", Joined(With(1, ":10010000214601360121470136007EFE09D2190140")),
                 false, "line 2 is not an S-record"},
        FileCase{"CountDisagrees", "keld.mhx", Joined(With(1, "S1050000FA")), false,
                 "line 2 is not an S-record"},
        FileCase{"EmptyLine", "keld.mhx", Joined(With(3, "")), false, "line 4 is empty"},
        FileCase{"EmptyLineInEncodedFile", "keld.enc", "abc\n\ndef\n", false, "line 2 is empty"},
        FileCase{"ControlByteInEncodedFile", "keld.enc",
                 "abc\nde\x1B"
                 "f\n",
                 false, "line 2 holds a character"},
        FileCase{"EndRecordBeforeTheEnd", "keld.mhx", Joined(With(1, Good.last())), false,
                 "line 2 ends the firmware"},
        FileCase{"NoEndRecord", "keld.mhx", Joined(Good.mid(0, 4)), false,
                 "does not end with an end record"}),
    [](const ::testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

// The shared damaged corpus over a sound S-record file: every cut that loses more than the last
// line end, every noise file and every long run is refused, naming the file and (for a bad line)
// its number, with no line left to flash; an overwritten byte is refused unless the lines still
// check. The same corpus as encoded lines, which are not interpreted, must at least never be
// taken with a control byte in them. Reading never writes the file.
TEST(FirmwareFile, SharedDamagedCorpusIsRefusedBeforeAnythingIsSent) {
    QTemporaryDir dir;
    const QByteArray good = Joined(FirmwareLines(6));
    for (const char* name : {"damaged.mhx", "damaged.enc"}) {
        const bool sRecords = QByteArray(name).endsWith(".mhx");
        const QString path = dir.filePath(QString::fromLatin1(name));
        for (const TDamagedInput& input : DamagedCorpus(good, 20261212, 200, 300)) {
            SCOPED_TRACE(input.kind.toStdString());
            WriteAll(path, input.bytes);
            QByteArrayList lines{"left over"};
            QString error;
            const bool accepted = TFirmwareFile::Read(path, lines, error);
            ASSERT_EQ(ReadAll(path), input.bytes);
            if (accepted) {
                const bool cut = input.kind.startsWith("cut");
                ASSERT_TRUE(!sRecords || !cut || input.bytes.size() >= good.size() - 2);
                ASSERT_TRUE(sRecords || !input.kind.startsWith("noise") || !input.bytes.contains('\x1B'));
                for (qsizetype i = 0; i < lines.size(); ++i)
                    ASSERT_TRUE(TFirmwareFile::CheckLine(lines[i], sRecords, i == lines.size() - 1).isEmpty());
                continue;
            }
            ASSERT_TRUE(lines.isEmpty());
            EXPECT_TRUE(error.startsWith(QString::fromLatin1(name))) << error.toStdString();
            EXPECT_TRUE(error.endsWith("Nothing has been sent to the ECU.")) << error.toStdString();
            EXPECT_TRUE(!error.contains(" line ") || error.contains(QRegularExpression(" line [0-9]+ ")));
        }
    }
    // A file larger than any firmware is not read at all.
    const QString big = dir.filePath(QStringLiteral("big.mhx"));
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(MaxFirmwareFileSize + 1));
    }
    QByteArrayList lines;
    QString error;
    EXPECT_FALSE(TFirmwareFile::Read(big, lines, error));
    EXPECT_EQ(error, "big.mhx cannot be flashed: it is larger than 16 MB, more than the ECU can hold.\n"
                     "Nothing has been sent to the ECU.");
}

TEST(FirmwareFile, AFileThatCannotBeOpenedGivesTheSystemsReason) {
    QTemporaryDir dir;
    QByteArrayList lines;
    QString error;
    EXPECT_FALSE(TFirmwareFile::Read(dir.filePath(QStringLiteral("missing.mhx")), lines, error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("missing.mhx cannot be read: "))) << error.toStdString();
    EXPECT_GT(error.size(), QStringLiteral("missing.mhx cannot be read: ").size());
}

TEST(FirmwareFile, LinesAreKeptByteForByteWithoutTheirEnds) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.enc"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("  lead and trail  \r\nx\n~{}|\r\n");
    f.close();
    QByteArrayList lines;
    QString error;
    ASSERT_TRUE(TFirmwareFile::Read(path, lines, error)) << error.toStdString();
    EXPECT_EQ(lines, (QByteArrayList{"  lead and trail  ", "x", "~{}|"}));
}

TEST(FirmwareFile, RevisionIsTheNameWithoutFolderAndExtension) {
    EXPECT_EQ(TFirmwareFile::RevisionName(QStringLiteral("/some/folder/KELD_2.06.mhx")),
              QStringLiteral("KELD_2.06"));
    EXPECT_EQ(TFirmwareFile::RevisionName(QStringLiteral("fw.enc")), QStringLiteral("fw"));
}

} // namespace

// Configuration files: the bytes written, the version questions and messages, loading older and
// newer files, merging maps through a file, and damaged files.
#include "config/ConfigFile.h"
#include "common/DamagedInputs.h"
#include "common/FileBytes.h"
#include "ModelFixture.h"
#include "common/ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <csignal>
#include <sys/resource.h>
#include <vector>

namespace {

// The payloads of a file's records.
std::vector<QByteArray> RecordsOf(const QByteArray& file) {
    std::vector<QByteArray> records;
    const int count = static_cast<uint8_t>(file[ConfigHeaderSize]);
    qsizetype at = ConfigHeaderSize + 1;
    for (int i = 0; i < count; ++i) {
        const int length = static_cast<uint8_t>(file[at]);
        records.push_back(file.mid(at + 1, length));
        at += 1 + length;
    }
    return records;
}

QByteArray BuildFile(const QByteArray& header, const std::vector<QByteArray>& records) {
    QByteArray file = header + char(records.size());
    for (const QByteArray& r : records)
        file += char(r.size()) + r;
    return file;
}

class FileTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        AttachViews();
    }
    QString Path(const QString& name) const { return dir.filePath(name); }

    // The file of a configuration that differs from the defaults in settings, axes and maps.
    QByteArray CustomFile() {
        TDataMap other;
        other.Make = "Fiat";
        other.Model = "Punto";
        other.SwitchRPM = 2500;
        other.Cylinders = 6;
        other.Giri_Slave[9] = 6400;
        other.TempiGas_Slave_banco2[3][4] = 1.25;
        other.Benzina[2][2] = 4.5;
        for (int i = 1; i <= 4; ++i)
            other.LivelloGas[i] = 0.5 * i;
        other.AdaptMinRPM = 1200;
        other.ModelToRaw(other.RawData.Image);
        DataMap = model.get();
        return ConfigFileBytes(other.RawData, SlaveMode);
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
};

TEST_F(FileTest, DefaultConfigurationIsThe886ByteFileOfElevenRecords) {
    const QString path = Path("default.cfg");
    ASSERT_TRUE(model->SaveToFile(path));
    EXPECT_TRUE(dialogs.asked.isEmpty());
    EXPECT_TRUE(model->Saved());
    EXPECT_EQ(view.notices, QStringList({"File saved 1000"}));

    const QByteArray file = ReadAll(path);
    ASSERT_EQ(file.size(), 886);
    EXPECT_EQ(file.left(8), "1.01SLAV");
    EXPECT_EQ(file[8], 11);
    struct Record {
        int offset, length, block, bank;
    };
    const Record records[] = {{9, 60, 1, 0},    {70, 16, 2, 0},   {87, 130, 3, 0}, {218, 131, 4, 1},
                              {350, 131, 4, 2}, {482, 27, 5, 0},  {510, 67, 6, 0}, {578, 28, 7, 0},
                              {607, 131, 8, 1}, {739, 131, 8, 2}, {871, 14, 9, 0}};
    for (const Record& r : records) {
        EXPECT_EQ(static_cast<uint8_t>(file[r.offset]), r.length) << "record at " << r.offset;
        EXPECT_EQ(file[r.offset + 1], r.block) << "record at " << r.offset;
        if (r.bank) {
            EXPECT_EQ(file[r.offset + 2], r.bank) << "record at " << r.offset;
        }
    }
    // The records are the blocks as they go to the ECU.
    EXPECT_EQ(file.mid(219, 131), model->RawData.EncodeBlock(4, 1));
    EXPECT_EQ(file.mid(872, 14), model->RawData.EncodeBlock(9, 1));
}

TEST_F(FileTest, LoadingGivesBackWhatWasSavedAndFollowsTheModeWord) {
    const QString path = Path("custom.cfg");
    WriteAll(path, CustomFile());
    ASSERT_TRUE(model->LoadFromFile(path));
    EXPECT_TRUE(dialogs.told.isEmpty());
    EXPECT_EQ(model->Make, "Fiat");
    EXPECT_EQ(model->SwitchRPM, 2500);
    EXPECT_EQ(model->Cylinders, 6);
    EXPECT_EQ(model->Giri_Slave[9], 6400);
    EXPECT_DOUBLE_EQ(model->TempiGas_Slave_banco2[3][4], 1.25);
    EXPECT_DOUBLE_EQ(model->Benzina[2][2], 4.5);
    EXPECT_TRUE(model->Saved());
    EXPECT_FALSE(model->EnableMapRefresh); // until the ECU answers the write that follows

    // Saving it again gives the same bytes.
    const QString again = Path("again.cfg");
    ASSERT_TRUE(model->SaveToFile(again));
    EXPECT_EQ(ReadAll(again), ReadAll(path));

    // The mode word switches the tool before the blocks are decoded; an unknown word is "COMP".
    for (const QByteArray& word : {QByteArray("COMP"), QByteArray("XYZW")}) {
        QByteArray file = ReadAll(path);
        file.replace(4, 4, word);
        WriteAll(path, file);
        OperatingMode = SlaveMode;
        view.calls.clear();
        ASSERT_TRUE(model->LoadFromFile(path));
        EXPECT_EQ(OperatingMode, CompensatedMode);
        ASSERT_GE(view.calls.size(), 2);
        EXPECT_EQ(view.calls[0], "ShowOperatingModePages 1");
        EXPECT_EQ(view.calls[1], "RefreshPages");
    }
    ASSERT_TRUE(model->SaveToFile(again));
    EXPECT_EQ(ReadAll(again).mid(4, 4), "COMP");
}

TEST_F(FileTest, SavingOverAFileOfAnotherVersionAsksFirst) {
    const QString older =
        QStringLiteral(" was saved with an older relese.\rOverwriting it could prevent older "
                       "releases from opening it.\nAre you sure you want to proceed ?");
    const QString newer = QStringLiteral(" was saved with a newer relese.\rOverwriting it could delete newer "
                                         "fields on it.\nAre you sure you want to proceed ?");
    struct Case {
        QByteArray existing;
        QString question; // "" for none
        TMsgButton answer;
        bool written, saveAs;
    };
    const Case cases[] = {
        {"1.01SLAV\x0b", "", mbYes, true, false},
        {"1.00SLAV\x0b", older, mbYes, true, false},
        {"1,00SLAV\x0b", older, mbYes, true, false}, // the separator is not looked at
        {"1.02SLAV\x0b", newer, mbYes, true, false},
        {"1.", older, mbYes, true, false}, // "0.00" fills what a short file lacks
        {"", older, mbYes, true, false},
        {"1.00SLAV\x0b", older, mbNo, false, true},
        {"1.02SLAV\x0b", newer, mbCancel, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.existing.toStdString() + " answered " + std::to_string(c.answer));
        const QString path = Path("over.cfg");
        WriteAll(path, c.existing);
        dialogs.asked.clear();
        dialogs.answers = {c.answer};
        view.calls.clear();
        model->SetSaved(false);
        const bool saved = model->SaveToFile(path);
        EXPECT_EQ(dialogs.asked, c.question.isEmpty() ? QStringList() : QStringList({path + c.question}));
        EXPECT_EQ(saved, c.written);
        EXPECT_EQ(ReadAll(path).size(), c.written ? 886 : c.existing.size());
        EXPECT_EQ(model->Saved(), c.written);
        EXPECT_EQ(view.calls.contains("SaveAs"), c.saveAs);
        dialogs.answers.clear();
    }
}

TEST_F(FileTest, ReadOnlyFileIsReplacedWhenTheUserAgrees) {
    const QString path = Path("locked.cfg");
    WriteAll(path, "1.01SLAV");
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    ASSERT_TRUE(model->SaveToFile(path));
    EXPECT_EQ(ReadAll(path).size(), 886);
    EXPECT_TRUE(QFile::permissions(path) & QFileDevice::WriteOwner);
}

TEST_F(FileTest, OlderAndNewerFilesLoadWithTheirMessages) {
    const QString path = Path("cfg old.cfg");
    std::vector<QByteArray> records = RecordsOf(CustomFile());
    // Release 1.00 had no gas level thresholds: its block 9 ends after the adaptivity.
    records[10].truncate(10);
    WriteAll(path, BuildFile("1.00SLAV", records));
    ASSERT_TRUE(model->LoadFromFile(path));
    EXPECT_EQ(dialogs.told, QStringList({"cfg old.cfg was saved with an older relese: 1.00.\rOld data was "
                                         "converted and newer fields set to default."}));
    EXPECT_EQ(model->AdaptMinRPM, 1200);
    for (int i = 1; i <= 4; ++i)
        EXPECT_NEAR(model->LivelloGas[i], i, 0.01) << i; // the defaults 1, 2, 3, 4 V
    EXPECT_TRUE(model->Saved());

    // A newer release's longer block 2: the four bytes past the block are not read.
    records = RecordsOf(CustomFile());
    records[1] += QByteArray("\x07\x07\x07\x07", 4);
    WriteAll(path, BuildFile("1.02SLAV", records));
    dialogs.told.clear();
    ASSERT_TRUE(model->LoadFromFile(path));
    EXPECT_EQ(dialogs.told,
              QStringList({"cfg old.cfg was saved with a newer relese: 1.02.\rNewer fields were ignored."}));
    EXPECT_EQ(model->SwitchRPM, 2500);
    EXPECT_EQ(model->SwitchTempSensor, 1);
    EXPECT_DOUBLE_EQ(model->Benzina[2][2], 4.5); // the next record is read from the right place
    EXPECT_NEAR(model->LivelloGas[4], 2.0, 0.01);
}

TEST_F(FileTest, MergingThroughAFileAveragesMapCellsOnly) {
    // A file equal to the configuration changes nothing.
    const QString path = Path("merge.cfg");
    WriteAll(path, CustomFile());
    ASSERT_TRUE(model->LoadFromFile(path));
    ModelState before = ModelState::Of(*model);
    ASSERT_TRUE(model->MergeMapsFromFile(path));
    ModelState after = ModelState::Of(*model);
    after.saved = before.saved;
    after.mapRefresh = before.mapRefresh;
    EXPECT_TRUE(SameState(before, after));

    // A slave map of 1.0 merged into one of 0.8 gives 0.9; settings and axes stay the model's.
    TDataMap file;
    for (auto* map : {&file.TempiGas_Slave_banco1, &file.TempiGas_Slave_banco2})
        for (auto& row : *map)
            row.Fill(1.0);
    file.SwitchRPM = 3500;
    file.Giri_Slave[9] = 7000;
    file.ModelToRaw(file.RawData.Image);
    DataMap = model.get();
    WriteAll(path, ConfigFileBytes(file.RawData, CompensatedMode));
    for (auto* map : {&model->TempiGas_Slave_banco1, &model->TempiGas_Slave_banco2})
        for (auto& row : *map)
            row.Fill(0.8);
    model->FileName = "mine.cfg";
    model->Model.clear();
    before = ModelState::Of(*model);
    ASSERT_TRUE(model->MergeMapsFromFile(path));
    after = ModelState::Of(*model);
    for (int r = 1; r <= 12; ++r)
        for (int c = 1; c <= 9; ++c) {
            ASSERT_DOUBLE_EQ(model->TempiGas_Slave_banco1[r][c], 0.9);
            ASSERT_DOUBLE_EQ(model->TempiGas_Slave_banco2[r][c], 0.9);
        }
    EXPECT_EQ(model->SwitchRPM, 2500);
    EXPECT_EQ(model->Giri_Slave[9], 6400);
    EXPECT_EQ(OperatingMode, SlaveMode); // the file's mode is not used
    EXPECT_DOUBLE_EQ(model->Benzina[2][2], 4.5 / 2);
    // Apart from the map cells, the configuration is the same to the last raw bit.
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(before.speeds[i] == after.speeds[i] && before.rows[i] == after.rows[i]) << i;
    after.converted.TempiGas_Slave_banco1 = before.converted.TempiGas_Slave_banco1;
    after.converted.TempiGas_Slave_banco2 = before.converted.TempiGas_Slave_banco2;
    after.converted.TempiGas_Comp_banco1 = before.converted.TempiGas_Comp_banco1;
    after.converted.TempiGas_Comp_banco2 = before.converted.TempiGas_Comp_banco2;
    after.converted.Benzina = before.converted.Benzina;
    EXPECT_TRUE(before.converted == after.converted);
    // The merged configuration is in no file yet, and the file it came from is not its name.
    EXPECT_FALSE(model->Saved());
    EXPECT_EQ(model->FileName, "mine.cfg");
}

TEST_F(FileTest, RefusedFilesSayWhatIsWrong) {
    const QByteArray good = CustomFile();
    QByteArray longRecord = good;
    longRecord[871] = char(200); // block 9 claims 200 bytes
    QByteArray hugeCount = good;
    hugeCount[8] = char(255);
    struct Case {
        QByteArray bytes;
        QString message;
    };
    const Case cases[] = {
        {"", "bad.cfg is empty."},
        {"hello world", "bad.cfg is not a configuration file."},
        {"1.0", "bad.cfg is damaged: it ends before its operating mode."},
        {"1.01SLA", "bad.cfg is damaged: it ends before its operating mode."},
        {"1.01SLAV", "bad.cfg is damaged: it ends before its record count."},
        {good.left(500), "bad.cfg is damaged: it ends inside record 6 of 11."},
        {good.left(871), "bad.cfg is damaged: it holds 10 of the 11 records it announces."},
        {longRecord, "bad.cfg is damaged: it ends inside record 11 of 11."},
        {hugeCount, "bad.cfg is damaged: it holds 11 of the 255 records it announces."},
    };
    const QString path = Path("bad.cfg");
    for (const Case& c : cases) {
        WriteAll(path, c.bytes);
        dialogs.told.clear();
        EXPECT_FALSE(model->LoadFromFile(path));
        EXPECT_EQ(dialogs.told, QStringList({c.message + "\nThe configuration was not changed."}));
    }
    dialogs.told.clear();
    EXPECT_FALSE(model->MergeMapsFromFile(Path("missing.cfg")));
    ASSERT_EQ(dialogs.told.size(), 1);
    EXPECT_TRUE(dialogs.told[0].startsWith("missing.cfg cannot be read: ")) << dialogs.told[0].toStdString();
}

// Run under the sanitizers, this shows that no length byte or count makes the reader step
// outside the file's bytes.
TEST_F(FileTest, DamagedFilesAreRefusedAndChangeNothing) {
    const QByteArray good = CustomFile();
    std::vector<QByteArray> corpus;
    for (int n = 0; n < good.size(); ++n)
        corpus.push_back(good.left(n));
    QRandomGenerator random(20240315);
    for (int i = 0; i < 300; ++i) {
        QByteArray noise(random.bounded(0, 1200), '\0');
        for (char& b : noise)
            b = char(random.bounded(256));
        corpus.push_back(noise);
        // After a sound header and count, every record length drawn at random.
        QByteArray lengths = good.left(9);
        lengths[8] = char(random.bounded(1, 256));
        while (lengths.size() < 880)
            lengths += char(random.bounded(256));
        corpus.push_back(lengths.left(random.bounded(9, 880)));
    }
    for (int count : {12, 100, 255}) {
        QByteArray huge = good;
        huge[8] = char(count);
        corpus.push_back(huge);
    }

    // A configuration of its own in the model and the image, so that any change shows.
    WriteAll(Path("custom.cfg"), good);
    ASSERT_TRUE(model->LoadFromFile(Path("custom.cfg")));
    model->TempiGas_Comp_banco1[1][1] = 3.3;
    model->EnableMapRefresh = true;
    model->SetSaved(false);
    const ModelState before = ModelState::Of(*model);

    const QString path = Path("damaged.cfg");
    int refused = 0;
    for (const QByteArray& bytes : corpus) {
        WriteAll(path, bytes);
        dialogs.told.clear();
        const bool loaded = model->LoadFromFile(path);
        const bool merged = model->MergeMapsFromFile(path);
        if (loaded || merged) {
            // Random lengths can add up to a sound record list; such a file is no damage.
            ASSERT_TRUE(loaded && merged && CheckRecordList(bytes.mid(8)).Ok());
            WriteAll(Path("custom.cfg"), good);
            model->LoadFromFile(Path("custom.cfg"));
            model->TempiGas_Comp_banco1[1][1] = 3.3;
            model->EnableMapRefresh = true;
            model->SetSaved(false);
            continue;
        }
        ++refused;
        ASSERT_EQ(dialogs.told.size(), 2) << bytes.size() << " bytes";
        ASSERT_TRUE(SameState(before, ModelState::Of(*model))) << bytes.size() << " bytes";
    }
    // Every cut and every noise file is refused.
    EXPECT_GE(refused, good.size() + 300 + 3);
}

// The shared corpus adds files whose structure survives but whose bytes do not: overwritten
// bytes (record lengths, counts, block numbers, values) and long runs of one byte. Each one is
// refused with a message naming the file and leaves the model as it was, or, when its records
// still add up, loads; either way the file is never written.
TEST_F(FileTest, SharedDamagedCorpusNeverTouchesTheFile) {
    const QByteArray good = CustomFile();
    WriteAll(Path("custom.cfg"), good);
    auto restore = [&] {
        ASSERT_TRUE(model->LoadFromFile(Path("custom.cfg")));
        model->TempiGas_Comp_banco1[1][1] = 3.3;
        model->EnableMapRefresh = true;
        model->SetSaved(false);
    };
    restore();
    const ModelState before = ModelState::Of(*model);

    const QString path = Path("damaged.cfg");
    for (const TDamagedInput& input : DamagedCorpus(good, 20261210, 60, 400, 7)) {
        SCOPED_TRACE(input.kind.toStdString());
        WriteAll(path, input.bytes);
        dialogs.told.clear();
        const bool loaded = model->LoadFromFile(path);
        ASSERT_EQ(ReadAll(path), input.bytes);
        if (loaded) {
            // Only a sound record list within the size a list can have loads.
            ASSERT_TRUE(CheckRecordList(input.bytes.mid(ConfigHeaderSize, MaxConfigFileSize - ConfigHeaderSize)).Ok());
            restore();
            continue;
        }
        ASSERT_EQ(dialogs.told.size(), 1);
        EXPECT_TRUE(dialogs.told[0].startsWith("damaged.cfg ")) << dialogs.told[0].toStdString();
        ASSERT_TRUE(SameState(before, ModelState::Of(*model)));
        EXPECT_FALSE(model->MergeMapsFromFile(path));
        ASSERT_TRUE(SameState(before, ModelState::Of(*model)));
        ASSERT_EQ(ReadAll(path), input.bytes);
    }
}

// An image of the failure that damages a file written in place: the disk refuses the write
// half-way (here the process's file size limit).
TEST_F(FileTest, AFailedSaveLeavesTheOldFileAsItWas) {
    const QString path = Path("keep.cfg");
    const QByteArray old = CustomFile();
    WriteAll(path, old);
    model->SetSaved(false);
    model->FileName = "before.cfg";

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = model->SaveToFile(path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_FALSE(model->Saved());
    // The configuration is not in that file: it keeps its name.
    EXPECT_EQ(model->FileName, "before.cfg");
    EXPECT_TRUE(view.notices.isEmpty());
    ASSERT_EQ(dialogs.told.size(), 1);
    EXPECT_TRUE(dialogs.told[0].startsWith("keep.cfg could not be saved: ")) << dialogs.told[0].toStdString();
    EXPECT_TRUE(dialogs.told[0].endsWith("\nThe file was left as it was."));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"keep.cfg"})); // no temporary left
}

} // namespace

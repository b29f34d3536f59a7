// The backups folder: one backup per read, none when it equals the newest, the newest 50 kept,
// the car's folder named by VIN or else make and model, and a folder that cannot be written.
#include "config/ConfigBackups.h"
#include "ModelFixture.h"
#include "common/FileBytes.h"
#include "config/ConfigFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

class ConfigBackups : public ModelTest {
protected:
    // The model's configuration as a file's bytes, with one cell made to tell versions apart.
    QByteArray Configuration(double cell) {
        model->TempiGas_Slave_banco1[1][1] = cell;
        model->ModelToRaw(model->RawData.Image);
        return ConfigFileBytes(model->RawData, OperatingMode);
    }
    static QDateTime At(int seconds) { return QDateTime(QDate(2026, 3, 1), QTime(8, 0)).addSecs(seconds); }

    QTemporaryDir root;
};

TEST_F(ConfigBackups, ARepeatedConfigurationIsKeptOnceAndTheNewestFiftyStay) {
    const TConfigBackups backups(root.path());
    QString error;
    const QByteArray first = Configuration(1.0);
    EXPECT_EQ(backups.Write("ZFA123", first, "KELD 3.1", At(0), error),
              TConfigBackups::TWriteResult::Written);
    EXPECT_EQ(backups.Write("ZFA123", first, "KELD 3.1", At(5), error),
              TConfigBackups::TWriteResult::Identical);
    ASSERT_EQ(backups.Backups("ZFA123").size(), 1u);
    EXPECT_EQ(ReadAll(backups.Backups("ZFA123")[0].Path), first);

    for (int i = 1; i <= 50; ++i)
        ASSERT_EQ(backups.Write("ZFA123", Configuration(1.0 + i / 100.0), "KELD 3.1", At(60 * i), error),
                  TConfigBackups::TWriteResult::Written);
    const auto kept = backups.Backups("ZFA123");
    ASSERT_EQ(int(kept.size()), TConfigBackups::KeptPerCar);
    // Newest first; the very first one went.
    EXPECT_EQ(kept.front().When, At(60 * 50));
    EXPECT_EQ(kept.back().When, At(60));
    EXPECT_EQ(QDir(backups.CarFolder("ZFA123")).entryList({"*.ecu"}, QDir::Files).size(),
              TConfigBackups::KeptPerCar);
    EXPECT_EQ(kept.front().Identity, "KELD 3.1");
    EXPECT_TRUE(kept.front().Readable);
    EXPECT_EQ(kept.front().Mode, SlaveMode);
    EXPECT_EQ(kept.front().Fuel, int(FuelLPG));
    // A configuration equal to an older backup, not to the newest, is kept again.
    EXPECT_EQ(backups.Write("ZFA123", first, "KELD 3.1", At(60 * 51), error),
              TConfigBackups::TWriteResult::Written);
}

TEST_F(ConfigBackups, TwoReadsWithinASecondKeepTheirOrder) {
    const TConfigBackups backups(root.path());
    QString error;
    backups.Write("car", Configuration(1.0), {}, At(0), error);
    backups.Write("car", Configuration(1.1), {}, At(0), error);
    const auto kept = backups.Backups("car");
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(ReadAll(kept.front().Path), Configuration(1.1));
}

TEST_F(ConfigBackups, TheCarIsNamedByVinElseByMakeAndModel) {
    EXPECT_EQ(TConfigBackups::CarName("ZFA18800000785316", "Fiat", "Punto"), "ZFA18800000785316");
    EXPECT_EQ(TConfigBackups::CarName("  ", " Fiat", "Punto 1.2 "), "Fiat Punto 1.2");
    EXPECT_EQ(TConfigBackups::CarName("", "A/B", "..x"), "A_B ..x");
    EXPECT_EQ(TConfigBackups::CarName("", "", ".."), "_.");
    EXPECT_EQ(TConfigBackups::CarName("", "", ""), "");
}

TEST_F(ConfigBackups, AFolderThatCannotBeWrittenFailsWithItsReason) {
    // A file where the backups folder should be.
    const QString blocked = root.filePath("blocked");
    WriteAll(blocked, "not a folder");
    const TConfigBackups backups(blocked);
    QString error;
    EXPECT_EQ(backups.Write("car", Configuration(1.0), {}, At(0), error),
              TConfigBackups::TWriteResult::Failed);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(backups.Cars().isEmpty());
}

TEST_F(ConfigBackups, CarsListsOnlyFoldersWithBackups) {
    const TConfigBackups backups(root.path());
    QString error;
    QDir(root.path()).mkpath("empty");
    backups.Write("Fiat Punto", Configuration(1.0), {}, At(0), error);
    backups.Write("ZFA1", Configuration(1.0), {}, At(0), error);
    EXPECT_EQ(backups.Cars(), QStringList({"Fiat Punto", "ZFA1"}));
}

} // namespace

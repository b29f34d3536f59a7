// The comparison of two configuration files that corvane-cfg diff prints and the compare window
// shows: what differs, where, and whether only the stored bytes do.
#include "ModelFixture.h"
#include "common/FileBytes.h"
#include "config/ConfigListing.h"

#include <QTemporaryDir>

namespace {

class ConfigCompare : public ModelTest {
protected:
    std::vector<TListedValue> Listing(const QString& name) {
        TConfigFile file;
        QString error;
        const std::unique_ptr<TDataMap> loaded = LoadDetached(name, file, error);
        EXPECT_TRUE(loaded) << error.toStdString();
        return loaded ? ListConfiguration(*loaded, file) : std::vector<TListedValue>{};
    }
    QString Path(const char* name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

TEST_F(ConfigCompare, OneSettingAndThreeCellsDiffer) {
    ASSERT_TRUE(model->SaveToFile(Path("a.cfg")));
    model->SwitchRPM = 2500;
    model->TempiGas_Slave_banco1[2][3] += 0.25;
    model->TempiGas_Slave_banco1[2][4] -= 0.25;
    model->Benzina[12][9] = 9.9;
    ASSERT_TRUE(model->SaveToFile(Path("b.cfg")));

    TDataMap* const program = DataMap;
    const auto a = Listing(Path("a.cfg")), b = Listing(Path("b.cfg"));
    // Loading beside the program leaves the program's model in place.
    EXPECT_EQ(DataMap, program);
    const std::vector<TListedDifference> d = CompareListings(a, b);
    ASSERT_EQ(d.size(), 4u);
    EXPECT_EQ(a[d[0].Index].Key, "SwitchRPM");
    EXPECT_EQ(b[d[0].Index].Value, "2500");
    EXPECT_EQ(a[d[0].Index].Setting,
              int(std::distance(
                  std::begin(SettingInfos),
                  std::find_if(std::begin(SettingInfos), std::end(SettingInfos),
                               [](const TSettingInfo& s) { return QLatin1String(s.Name) == "SwitchRPM"; }))));
    const auto cell = [&](size_t i) {
        const TListedValue& v = a[d[i].Index];
        return std::tuple(v.Kind.value_or(TMapTypeOfData::LivelloGas), v.Row, v.Column);
    };
    EXPECT_EQ(cell(1), std::tuple(TMapTypeOfData::TempiGas_Slave_banco1, 2, 3));
    EXPECT_EQ(cell(2), std::tuple(TMapTypeOfData::TempiGas_Slave_banco1, 2, 4));
    EXPECT_EQ(cell(3), std::tuple(TMapTypeOfData::Benzina, 12, 9));
    EXPECT_NEAR(b[d[1].Index].Number - a[d[1].Index].Number, 0.25, 1e-6);
    EXPECT_NEAR(b[d[2].Index].Number - a[d[2].Index].Number, -0.25, 1e-6);
    for (const TListedDifference& x : d)
        EXPECT_FALSE(x.RawOnly);
    EXPECT_EQ(DiffConfigurations(a, b).size(), 4);
}

TEST_F(ConfigCompare, IdenticalFilesHaveNoDifference) {
    ASSERT_TRUE(model->SaveToFile(Path("a.cfg")));
    ASSERT_TRUE(model->SaveToFile(Path("b.cfg")));
    EXPECT_TRUE(CompareListings(Listing(Path("a.cfg")), Listing(Path("b.cfg"))).empty());
}

TEST_F(ConfigCompare, BytesThatReadAlikeDifferOnlyInTheirRawValue) {
    ASSERT_TRUE(model->SaveToFile(Path("a.cfg")));
    // Block 1's make, padded with spaces: a NUL in their place reads as the same make.
    QByteArray bytes = ReadAll(Path("a.cfg"));
    const int make = ConfigHeaderSize + 1 + 1 + 1; // record count, length byte, block number
    ASSERT_EQ(bytes[make], ' ');
    bytes[make] = '\0';
    WriteAll(Path("b.cfg"), bytes);
    const auto a = Listing(Path("a.cfg")), b = Listing(Path("b.cfg"));
    const std::vector<TListedDifference> d = CompareListings(a, b);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_TRUE(d[0].RawOnly);
    EXPECT_EQ(a[d[0].Index].Key, "Make");
}

} // namespace

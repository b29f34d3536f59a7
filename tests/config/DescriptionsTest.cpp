// The description of each map kind and each setting against what the rest of the configuration
// does with them: the block each travels in, the rounding and limits of a new cell value.
#include "ModelFixture.h"
#include "config/ConfigTransfer.h"

#include <QSet>
#include <array>

namespace {

using K = TMapTypeOfData;

struct BlockBank {
    uint8_t block;
    int bank;
};
constexpr BlockBank AllBlocks[] = {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 2}, {5, 1},
                                   {6, 1}, {7, 1}, {8, 1}, {8, 2}, {9, 1}};

// The payloads of every block whose bytes change when change() is applied to a blank image.
std::vector<std::pair<int, int>> BlocksChangedBy(const std::function<void(RMappatura&)>& change) {
    TRawData raw;
    std::array<QByteArray, std::size(AllBlocks)> before;
    for (size_t i = 0; i < std::size(AllBlocks); ++i)
        before[i] = raw.EncodeBlock(AllBlocks[i].block, AllBlocks[i].bank);
    change(raw.Image);
    std::vector<std::pair<int, int>> changed;
    for (size_t i = 0; i < std::size(AllBlocks); ++i)
        if (raw.EncodeBlock(AllBlocks[i].block, AllBlocks[i].bank) != before[i])
            changed.push_back({AllBlocks[i].block, AllBlocks[i].bank});
    return changed;
}

// Blocks 4 and 8 carry their axes with either bank, and one bank's map with its own.
std::vector<std::pair<int, int>> Expected(int block, int bankNo) {
    if (!IsBankBlock(block)) return {{block, 1}};
    if (bankNo == 0) return {{block, 1}, {block, 2}};
    return {{block, bankNo}};
}

TEST(MapKinds, EachKindTravelsWhereTheTableSaysAndDownloadsThere) {
    for (int k = 0; k < MapTypeCount; ++k) {
        const TMapKindInfo& info = MapKind(MapTypeFromOrdinal(k));
        SCOPED_TRACE(info.Name);
        const auto changed = BlocksChangedBy([&info](RMappatura& r) {
            const TCellsView cells = CellsOf(r, info.Kind);
            for (int row = 1; row <= info.Rows; ++row)
                for (int i = 1; i <= info.Columns; ++i)
                    cells.SetValue(row, i, 77);
        });
        EXPECT_EQ(changed, Expected(info.Block, info.BankNo));
        TBlockBank where;
        ASSERT_TRUE(BlockOfKind(info.Kind, where));
        EXPECT_EQ(where.Block, info.Block);
        EXPECT_EQ(where.BankNo, info.BankNo);
    }
    TBlockBank where;
    EXPECT_FALSE(BlockOfKind(MapTypeFromOrdinal(MapTypeCount), where));
    EXPECT_EQ(MapRows(MapTypeFromOrdinal(MapTypeCount)), 0);
}

TEST(MapKinds, AxesAreOneDimensionalAndOfTheSizeOfWhatTheyLabel) {
    for (int k = 0; k < MapTypeCount; ++k) {
        const TMapKindInfo& info = MapKind(MapTypeFromOrdinal(k));
        SCOPED_TRACE(info.Name);
        if (info.RowAxis) {
            EXPECT_EQ(MapRows(*info.RowAxis), 1);
            EXPECT_EQ(MapColumns(*info.RowAxis), info.Rows);
            EXPECT_EQ(MapKind(*info.RowAxis).Block, info.Block);
        }
        if (info.ColumnAxis) {
            EXPECT_EQ(MapRows(*info.ColumnAxis), 1);
            EXPECT_EQ(MapColumns(*info.ColumnAxis), info.Columns);
            EXPECT_EQ(MapKind(*info.ColumnAxis).Block, info.Block);
        }
    }
}

TEST(MapKinds, NewCellValuesAreRoundedByKind) {
    const struct {
        K kind;
        double value, rounded;
    } cases[] = {
        {K::Giri_Slave, 2049, 2000},
        {K::Giri_Comp, 2050, 2100},
        {K::Giri_Benzina, 2049.6, 2100},
        {K::TempiBenzina_Slave, 3.25, 3.2},
        {K::TempiBenzina_Slave, 3.35, 3.4},
        {K::TempiGas_Comp_banco1, 3.663, 3.7},
        {K::Benzina, 2.04, 2.0},
        {K::CorrPressioneGas, 2.5, 2},
        {K::CorrTemperaturaGas, -3.5, -4},
        {K::PressioneGas, 1124, 1100},
        {K::PressioneGas, 1125, 1150},
        {K::TempiGas_Slave_banco2, 1.2345, 1.2345},
        {K::MAP_Comp, 1012.5, 1012.5},
        {K::RiferimentoSondaLambda, 0.456, 0.456},
        {K::TemperaturaCicchetto, 12.5, 12.5},
        {K::LivelloGas, 1.234, 1.234},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(RoundCellValue(c.kind, c.value), c.rounded)
            << MapKind(c.kind).Name << " " << c.value;
}

TEST_F(ModelTest, CellLimitsKeepAxesRisingAndFollowTheProbeType) {
    model->Giri_Slave = {{500, 1000, 1500, 2000, 2500, 3000, 4000, 5000, 6000}};
    model->PressioneGas[14] = 1000;
    model->TemperaturaCicchetto[5] = 60;
    const struct {
        K kind;
        int index, lambdaType;
        double lower, upper;
    } cases[] = {
        {K::Giri_Slave, 1, 1, 0, 1000},
        {K::Giri_Slave, 5, 1, 2000, 3000},
        {K::Giri_Slave, 9, 1, 5000, 8160},
        {K::PressioneGas, 15, 1, 1000, 4080},
        {K::TemperaturaCicchetto, 6, 1, 60, 203},
        {K::TemperaturaGas, 1, 1, -20, model->TemperaturaGas[2]},
        {K::TempiBenzina_Slave, 12, 1, model->TempiBenzina_Slave[11], 25.5},
        {K::MAP_Benzina, 12, 1, model->MAP_Benzina[11], 2550},
        {K::TempiGas_Slave_banco1, 3, 1, 0, 2.0},
        {K::Benzina, 3, 1, 0, 25.5},
        {K::CorrTemperaturaRiduttore, 3, 1, -100, 100},
        {K::TempoCicchetto, 3, 1, 0, 25.5},
        {K::LivelloGas, 4, 1, 0, 5},
        {K::RiferimentoSondaLambda, 1, 0, 0, 1},
        {K::RiferimentoSondaLambda, 1, 1, 0, 1},
        {K::RiferimentoSondaLambda, 1, 2, 0, 5},
        {K::RiferimentoSondaLambda, 1, 3, 0, 5},
        {K::RiferimentoSondaLambda, 1, 4, 0.8, 1.6},
        {K::RiferimentoSondaLambda, 1, 5, 0, 5},
    };
    for (const auto& c : cases) {
        model->LambdaType = c.lambdaType;
        const TCellRange range = model->CellLimits(c.kind, c.index);
        EXPECT_DOUBLE_EQ(range.Lower, c.lower)
            << MapKind(c.kind).Name << " " << c.index << "/" << c.lambdaType;
        EXPECT_DOUBLE_EQ(range.Upper, c.upper)
            << MapKind(c.kind).Name << " " << c.index << "/" << c.lambdaType;
    }
}

// What a change of one raw setting looks like: a byte, or a text of other characters.
void Bump(int32_t& v) {
    v = 77;
}
void Bump(QByteArray& text) {
    text = QByteArray(text.size() + 20, 'x');
}

struct SettingCase {
    const char* name;
    int block;
    void (*change)(RMappatura&);
};
#define CORVANE_SETTING_CASE(Type, Field, Init, Block, ...)                                                  \
    SettingCase{#Field, Block, [](RMappatura& r) { Bump(r.Field); }},
constexpr SettingCase SettingCases[] = {CORVANE_SETTINGS(CORVANE_SETTING_CASE)};
#undef CORVANE_SETTING_CASE

TEST(SettingList, EachSettingTravelsInTheBlockTheListNames) {
    ASSERT_EQ(std::size(SettingCases), size_t(SettingCount));
    for (const SettingCase& c : SettingCases)
        EXPECT_EQ(BlocksChangedBy(c.change), Expected(c.block, 0)) << c.name;
}

TEST(SettingList, NamesAndControlsAreUniqueAndNumericLimitsAreOrdered) {
    QSet<QString> names, controls;
    for (const TSettingInfo& s : SettingInfos) {
        SCOPED_TRACE(s.Name);
        EXPECT_FALSE(names.contains(s.Name));
        names.insert(s.Name);
        EXPECT_EQ(s.Control == nullptr, s.Kind == TControlKind::None);
        if (!s.Control) continue;
        EXPECT_FALSE(controls.contains(s.Control));
        controls.insert(s.Control);
        const bool numeric = s.Kind == TControlKind::Spin || s.Kind == TControlKind::IntegerField ||
                             s.Kind == TControlKind::RealField || s.Kind == TControlKind::Slider;
        if (numeric) {
            EXPECT_LT(s.Min, s.Max);
            EXPECT_STRNE(s.Format, "");
        }
    }
}

} // namespace

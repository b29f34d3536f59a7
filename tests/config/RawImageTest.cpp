#include "config/RawImage.h"
#include "link/Codec.h"
#include "link/Frames.h"

#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace {

TFrame ReplyFrame(const QByteArray& payload) {
    TFrame f;
    f.Data = BuildFrame(ReplyCode(cmdReadBlock), payload);
    return f;
}

QByteArray RandomText(std::mt19937& rng, int n) {
    QByteArray s;
    for (int i = 0; i < n; ++i)
        s.append(char(rng() % 256));
    return s;
}

RMappatura RandomImage(std::mt19937& rng) {
    RMappatura r;
    ForEachElement(r, [&rng](int32_t& e) { e = int32_t(rng() % 256); });
    r.Make = RandomText(rng, MakeLength);
    r.Model = RandomText(rng, ModelLength);
    r.ConfigDate = RandomText(rng, ConfigDateLength);
    return r;
}

struct BlockBank {
    uint8_t block;
    int bank;
};
constexpr BlockBank AllBlocks[] = {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 2}, {5, 1},
                                   {6, 1}, {7, 1}, {8, 1}, {8, 2}, {9, 1}};

TEST(RawImage, RecordHoldsOneElementPerConfigurationByte) {
    RMappatura r;
    int n = 0;
    ForEachElement(r, [&n](int32_t&) { ++n; });
    EXPECT_EQ(n, RawElementCount);
    int payloadBytes = 0; // block numbers, bank bytes and texts carry no element
    for (const auto& b : AllBlocks)
        payloadBytes += BlockSize(b.block) - (IsBankBlock(b.block) ? 2 : 1);
    // The speed and row axes of blocks 4 and 8 travel with both banks.
    EXPECT_EQ(payloadBytes - MakeLength - ModelLength - ConfigDateLength - 2 * 21, RawElementCount);
}

TEST(RawImage, EveryBlockOfEveryBankRoundTripsThroughItsPayload) {
    std::mt19937 rng(20240501);
    for (int round = 0; round < 50; ++round) {
        TRawData source;
        source.Image = RandomImage(rng);
        TRawData copy;
        for (const auto& b : AllBlocks) {
            const QByteArray payload = source.EncodeBlock(b.block, b.bank);
            ASSERT_EQ(payload.size(), BlockSize(b.block)) << int(b.block);
            EXPECT_EQ(uint8_t(payload[0]), b.block);
            if (IsBankBlock(b.block)) {
                EXPECT_EQ(int(uint8_t(payload[1])), b.bank);
            }
            EXPECT_EQ(copy.DecodeBlock(ReplyFrame(payload)), b.block);
        }
        ASSERT_TRUE(copy.Image == source.Image) << "round " << round;
    }
}

// Where one element lands in its block's payload.
struct LayoutCase {
    const char* name;
    uint8_t block;
    int bank;
    std::function<int32_t&(RMappatura&)> element;
    int position;
};

TEST(RawImage, ElementsSitAtTheirPayloadPositions) {
    const LayoutCase cases[] = {
        {"Fuel", 1, 1, [](RMappatura& r) -> int32_t& { return r.Fuel; }, 47},
        {"EngineAux", 1, 1, [](RMappatura& r) -> int32_t& { return r.EngineAux; }, 50},
        {"ReducerType", 1, 1, [](RMappatura& r) -> int32_t& { return r.ReducerType; }, 59},
        {"SwitchRPM", 2, 1, [](RMappatura& r) -> int32_t& { return r.SwitchRPM; }, 2},
        {"InjectorOffset", 2, 1, [](RMappatura& r) -> int32_t& { return r.InjectorOffset; }, 10},
        {"SwitchTempSensor", 2, 1, [](RMappatura& r) -> int32_t& { return r.SwitchTempSensor; }, 15},
        {"MAP_Benzina[1]", 3, 1, [](RMappatura& r) -> int32_t& { return r.MAP_Benzina[1]; }, 10},
        {"Benzina[2][1]", 3, 1, [](RMappatura& r) -> int32_t& { return r.Benzina[2][1]; }, 23},
        {"Benzina[1][2]", 3, 1, [](RMappatura& r) -> int32_t& { return r.Benzina[1][2]; }, 34},
        {"Benzina[12][9]", 3, 1, [](RMappatura& r) -> int32_t& { return r.Benzina[12][9]; }, 129},
        {"Giri_Comp[1]", 4, 2, [](RMappatura& r) -> int32_t& { return r.Giri_Comp[1]; }, 2},
        {"Comp bank 2 [3][1]", 4, 2, [](RMappatura& r) -> int32_t& { return r.TempiGas_Comp_banco2[3][1]; },
         25},
        {"LeanThreshold", 5, 1, [](RMappatura& r) -> int32_t& { return r.LeanThreshold; }, 13},
        {"LambdaAuxB", 5, 1, [](RMappatura& r) -> int32_t& { return r.LambdaAuxB; }, 26},
        {"CorrPressioneGas[15]", 6, 1, [](RMappatura& r) -> int32_t& { return r.CorrPressioneGas[15]; }, 66},
        {"FullGroupHoldOff", 7, 1, [](RMappatura& r) -> int32_t& { return r.FullGroupHoldOff; }, 12},
        {"SlaveMaxDelay", 7, 1, [](RMappatura& r) -> int32_t& { return r.SlaveMaxDelay; }, 13},
        {"TempoCicchetto[6]", 7, 1, [](RMappatura& r) -> int32_t& { return r.TempoCicchetto[6]; }, 27},
        {"TempiBenzina_Slave[1]", 8, 1, [](RMappatura& r) -> int32_t& { return r.TempiBenzina_Slave[1]; },
         11},
        {"Slave bank 1 [1][9]", 8, 1, [](RMappatura& r) -> int32_t& { return r.TempiGas_Slave_banco1[1][9]; },
         119},
        {"AdaptCompCorrection", 9, 1, [](RMappatura& r) -> int32_t& { return r.AdaptCompCorrection; }, 9},
        {"LivelloGas[4]", 9, 1, [](RMappatura& r) -> int32_t& { return r.LivelloGas[4]; }, 13},
    };
    for (const auto& c : cases) {
        TRawData raw;
        c.element(raw.Image) = 77;
        const QByteArray payload = raw.EncodeBlock(c.block, c.bank);
        EXPECT_EQ(payload.indexOf(char(77)), c.position) << c.name;
    }
}

TEST(RawImage, EncodingSaturatesEachElementAndFixesTheTextWidths) {
    TRawData raw;
    raw.Image.SwitchRPM = 300;
    raw.Image.SwitchTemp = -5;
    raw.Image.Make = "Fiat";
    raw.Image.Model = "a model name longer than twenty";
    raw.Image.ConfigDate = "1234567"; // a longer date would shift every later byte of the block
    const QByteArray block2 = raw.EncodeBlock(2, 1);
    EXPECT_EQ(uint8_t(block2[2]), 255);
    EXPECT_EQ(uint8_t(block2[3]), 0);
    const QByteArray block1 = raw.EncodeBlock(1, 1);
    ASSERT_EQ(block1.size(), 60);
    EXPECT_EQ(block1.mid(1, 20), QByteArray("Fiat") + QByteArray(16, ' '));
    EXPECT_EQ(block1.mid(21, 20), QByteArray("a model name longer "));
    EXPECT_EQ(block1.mid(41, 6), QByteArray("123456"));
}

TEST(RawImage, BlockNumbersOutsideOneToNineCarryNothing) {
    TRawData raw;
    raw.Image.Fuel = 1;
    for (uint8_t block : {uint8_t(0), uint8_t(10), uint8_t(255)}) {
        EXPECT_EQ(raw.EncodeBlock(block, 1), QByteArray(1, char(block)));
        const RMappatura before = raw.Image;
        EXPECT_EQ(raw.DecodeBlock(ReplyFrame(QByteArray(1, char(block)) + QByteArray(70, '\x05'))), block);
        EXPECT_TRUE(raw.Image == before);
    }
}

TEST(RawImage, BankByteOtherThanOneSelectsTheSecondBank) {
    for (uint8_t block : {uint8_t(4), uint8_t(8)}) {
        for (uint8_t bank : {uint8_t(0), uint8_t(2), uint8_t(7)}) {
            TRawData raw;
            QByteArray payload(BlockSize(block), '\x09');
            payload[0] = char(block);
            payload[1] = char(bank);
            raw.DecodeBlock(ReplyFrame(payload));
            const auto& first = block == 4 ? raw.Image.TempiGas_Comp_banco1 : raw.Image.TempiGas_Slave_banco1;
            const auto& second =
                block == 4 ? raw.Image.TempiGas_Comp_banco2 : raw.Image.TempiGas_Slave_banco2;
            EXPECT_EQ(second[12][9], 9) << int(block) << "/" << int(bank);
            EXPECT_EQ(first[1][1], 0) << int(block) << "/" << int(bank);
        }
    }
}

TEST(RawImage, ShortPayloadFillsAPrefixAndLongPayloadStopsAtTheBlockSize) {
    TRawData raw;
    raw.Image.Cylinders = 6;
    raw.Image.ReducerType = 3;
    QByteArray payload(1, '\x01');
    payload +=
        QByteArray("Fiat") + QByteArray(16, ' ') + QByteArray("Punto") + QByteArray(15, ' ') + "050307";
    payload += char(1); // Fuel, byte 47: the payload ends here
    ASSERT_EQ(payload.size(), 48);
    EXPECT_EQ(raw.DecodeBlock(ReplyFrame(payload)), 1);
    EXPECT_EQ(raw.Image.Make, QByteArray("Fiat") + QByteArray(16, ' '));
    EXPECT_EQ(raw.Image.ConfigDate, "050307");
    EXPECT_EQ(raw.Image.Fuel, 1);
    EXPECT_EQ(raw.Image.Cylinders, 6);
    EXPECT_EQ(raw.Image.ReducerType, 3);

    // A 35-byte block 1 ends inside the Model text: the text and everything after it keep
    // their values, and no character of the cut text is read as a setting.
    raw.Image.Model = "Old";
    raw.Image.ConfigDate = "010101";
    raw.Image.Fuel = 2;
    EXPECT_EQ(raw.DecodePayload(payload.left(35)), 1);
    EXPECT_EQ(raw.Image.Model, "Old");
    EXPECT_EQ(raw.Image.ConfigDate, "010101");
    EXPECT_EQ(raw.Image.Fuel, 2);
    EXPECT_EQ(raw.Image.Cylinders, 6);
    EXPECT_EQ(raw.Image.ReducerType, 3);

    // Block 2 with four bytes too many: the extra bytes belong to nothing.
    QByteArray longer(20, '\x02');
    raw.Image.AccelLevel = 128;
    raw.DecodePayload(longer);
    EXPECT_EQ(raw.Image.SwitchTempSensor, 2);
    EXPECT_EQ(raw.Image.AccelLevel, 128);
}

} // namespace

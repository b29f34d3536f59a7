#include "link/Codec.h"
#include "live/UnitAcquisizioni.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// Where a reply field lands: one of the three named words or Words[index].
enum Target : int { rpm = -1, battery = -2, aux = -3 };

struct Field {
    int offset;
    int width; // bytes
    int target;
};

int32_t& Slot(TRawMeasures& raw, int target) {
    switch (target) {
    case rpm:
        return raw.RawRPM;
    case battery:
        return raw.RawBattery;
    case aux:
        return raw.RawAux;
    default:
        return raw.Words[size_t(target)];
    }
}

// The reply layouts, written out field by field.
std::vector<Field> FullLayout() {
    std::vector<Field> f = {{0, 2, rpm}, {2, 2, battery}};
    for (int i = 0; i < 8; ++i)
        f.push_back({4 + 2 * i, 2, i});
    f.insert(f.end(), {{20, 2, 8}, {22, 2, 9}, {24, 2, 10}, {26, 2, 11}});
    for (int i = 0; i < 8; ++i)
        f.push_back({28 + 2 * i, 2, 12 + i});
    f.insert(f.end(), {{44, 2, 20}, {46, 2, 21}});
    for (int i = 0; i < 8; ++i)
        f.push_back({48 + 2 * i, 2, 22 + i});
    f.insert(f.end(),
             {{64, 2, 30}, {66, 2, 31}, {68, 2, 32}, {70, 2, 34}, {72, 2, 35},  {74, 2, 36},  {76, 2, 37},
              {78, 2, 38}, {80, 2, 40}, {82, 2, 41}, {84, 2, 42}, {86, 2, 43},  {88, 2, 44},  {90, 2, 45},
              {92, 2, 46}, {94, 2, 47}, {96, 2, 48}, {98, 2, 49}, {100, 2, 52}, {102, 1, 53}, {103, 1, 54}});
    return f;
}

std::vector<Field> StatusLayout() {
    return {{0, 2, 0},   {2, 2, 4},   {4, 2, 22},  {6, 2, 26},  {8, 2, rpm}, {10, 2, 30},
            {12, 2, 31}, {14, 2, 40}, {16, 2, 9},  {18, 2, 10}, {20, 2, 32}, {22, 2, 38},
            {24, 2, 36}, {26, 2, 41}, {28, 2, 47}, {30, 2, 48}, {32, 2, 49}, {34, 2, 11},
            {36, 1, 39}, {37, 2, 50}, {39, 1, 51}, {40, 2, 52}, {42, 2, 37}, {44, 2, aux}};
}

std::vector<Field> FastLayout() {
    return {{0, 2, 40}, {2, 2, 33}, {4, 2, rpm}, {6, 2, 9}, {8, 2, 10}, {10, 2, 30}};
}

// A distinct value for every field, so that a field read from the wrong offset shows.
int32_t ValueAt(const Field& f) {
    return f.width == 1 ? 0x40 + f.offset : 0x1100 + f.offset * 0x101;
}

QByteArray Payload(const std::vector<Field>& layout, int size) {
    QByteArray payload(size, '\0');
    for (const Field& f : layout) {
        const int32_t v = ValueAt(f);
        if (f.offset < size) payload[f.offset] = char(v & 0xFF);
        if (f.width == 2 && f.offset + 1 < size) payload[f.offset + 1] = char(v >> 8);
    }
    return payload;
}

// Every slot starts at a sentinel, so that an untouched field shows it still.
constexpr int32_t Sentinel = 777;
void FillWithSentinel(TRawMeasures& raw) {
    raw.RawRPM = raw.RawBattery = raw.RawAux = Sentinel;
    raw.Words.fill(Sentinel);
}

struct LayoutCase {
    const char* name;
    uint16_t replyCode;
    std::vector<Field> (*layout)();
    int size;
};

class ReplyLayout : public ::testing::TestWithParam<LayoutCase> {};

// Each reply, whole and cut short: the fields it covers take the wire's values, the others keep
// theirs. A two-byte field cut in half is not read, nor is anything after it (an odd leftover
// byte must not land in a later one-byte field).
TEST_P(ReplyLayout, FieldsComeFromTheirOffsetsAndAShortReplyFillsAPrefix) {
    const LayoutCase& c = GetParam();
    const std::vector<Field> layout = c.layout();
    for (int size : {c.size, c.size - 1, 11, 1, 0}) {
        SCOPED_TRACE(size);
        TRawMeasures raw;
        FillWithSentinel(raw);
        const QByteArray frame = BuildFrame(c.replyCode, Payload(layout, size));
        if (c.replyCode == ReplyCode(cmdLiveData)) raw.DecodeLiveData(frame);
        if (c.replyCode == ReplyCode(cmdStatus)) raw.DecodeStatus(frame);
        if (c.replyCode == ReplyCode(cmdFastData)) raw.DecodeFast(frame);

        std::vector<bool> covered(TRawMeasures::WordCount + 3, false);
        for (const Field& f : layout) {
            covered[size_t(f.target + 3)] = true;
            const bool arrived = f.offset + f.width <= size;
            int32_t expected = arrived ? ValueAt(f) : Sentinel;
            if (f.target == 50 && !arrived) expected = 0xFFFF; // the status reply blanks the engine state
            EXPECT_EQ(Slot(raw, f.target), expected) << "offset " << f.offset;
        }
        for (int t = -3; t < TRawMeasures::WordCount; ++t) {
            if (covered[size_t(t + 3)]) continue;
            if (c.replyCode == ReplyCode(cmdFastData) && t == 32) continue; // derived, below
            EXPECT_EQ(Slot(raw, t), Sentinel) << "slot " << t << " is not in this reply";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Replies, ReplyLayout,
                         ::testing::Values(LayoutCase{"Full", ReplyCode(cmdLiveData), FullLayout, 104},
                                           LayoutCase{"Status", ReplyCode(cmdStatus), StatusLayout, 46},
                                           LayoutCase{"Fast", ReplyCode(cmdFastData), FastLayout, 12}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RawMeasures, StatusReplyShorterThan39BytesBlanksTheEngineState) {
    for (int size : {36, 38, 39, 46}) {
        SCOPED_TRACE(size);
        TRawMeasures raw;
        raw.Words[50] = 2;
        QByteArray payload(size, '\0');
        if (size >= 39) payload[37] = 2;
        raw.DecodeStatus(BuildFrame(ReplyCode(cmdStatus), payload));
        EXPECT_EQ(raw.Words[50], size >= 39 ? 2 : 0xFFFF);
    }
}

TEST(RawMeasures, FastReplyGasPressureIsRailMinusManifoldAndCanBeNegative) {
    struct {
        uint16_t manifold, rail;
        int32_t gas;
    } cases[] = {{1000, 2500, 1500}, {1200, 900, -300}, {0, 65535, 65535}, {65535, 0, -65535}};
    for (const auto& c : cases) {
        TRawMeasures raw;
        QByteArray payload(12, '\0');
        payload[0] = char(c.manifold & 0xFF);
        payload[1] = char(c.manifold >> 8);
        payload[2] = char(c.rail & 0xFF);
        payload[3] = char(c.rail >> 8);
        raw.DecodeFast(BuildFrame(ReplyCode(cmdFastData), payload));
        EXPECT_EQ(raw.Words[32], c.gas);
    }
}

TEST(RawMeasures, InitialStateAndClearWordsKeepTheStateWords) {
    TRawMeasures raw;
    for (int i = 0; i < TRawMeasures::WordCount; ++i) {
        const int32_t expected = i == 50 || i == 38 ? 0xFFFF : i == 39 ? 160 : i == 53 || i == 54 ? 255 : 0;
        EXPECT_EQ(raw.Words[size_t(i)], expected) << "word " << i;
    }
    EXPECT_EQ(raw.RawRPM, 0);

    FillWithSentinel(raw);
    raw.ClearWords();
    EXPECT_EQ(raw.RawRPM, 0);
    EXPECT_EQ(raw.RawAux, 0);
    EXPECT_EQ(raw.RawBattery, Sentinel);
    for (int i = 0; i < TRawMeasures::WordCount; ++i) {
        const bool kept = i == 8 || i == 11 || i == 38 || i == 39 || i == 50 || i == 53 || i == 54;
        EXPECT_EQ(raw.Words[size_t(i)], kept ? Sentinel : 0) << "word " << i;
    }
}

} // namespace

#include "QtPrinters.h"
#include "link/ByteQueue.h"
#include "link/Codec.h"

#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

struct FrameCase {
    const char* body;
    const char* frame;
};

class RequestFrames : public ::testing::TestWithParam<FrameCase> {};

TEST_P(RequestFrames, BuildByteForByte) { EXPECT_EQ(BuildFrame(Hex(GetParam().body)).toHex(' '), Hex(GetParam().frame).toHex(' ')); }

INSTANTIATE_TEST_SUITE_P(Worked, RequestFrames,
                         ::testing::Values(FrameCase{"0700", "FE01020707001100FE"},      // cmdConnect
                                           FrameCase{"080001", "FE0102080800011400FE"},  // cmdReset
                                           FrameCase{"0200", "FE01020702000C00FE"}));    // no payload

TEST(Stuffing, ChecksumLowByteOfFEGoesOutAsFD0E) {
    // 0x01 + 0x02 + 0x08 + 0x02 + 0x00 + payload 0xF1 = 0xFE
    const QByteArray frame = BuildFrame(Hex("0200F1"));
    ASSERT_EQ(static_cast<uint8_t>(frame[frame.size() - 3]), 0xFE);
    EXPECT_EQ(static_cast<uint8_t>(frame[3]), 8); // the length byte counts logical bytes
    const QByteArray wire = EscapeFrame(frame);
    EXPECT_EQ(wire.size(), frame.size() + 1);
    EXPECT_EQ(wire.toHex(' '), Hex("FE0102080200F1FD0E00FE").toHex(' '));
    EXPECT_EQ(UnescapeFrame(wire), frame);
}

TEST(Stuffing, FDIsStuffedAndAFDBeforeAnyOtherByteIsKept) {
    EXPECT_EQ(EscapeFrame(Hex("FE01FD02FE")), Hex("FE01FD0D02FE"));
    EXPECT_EQ(UnescapeFrame(Hex("FE01FD0D02FE")), Hex("FE01FD02FE"));
    EXPECT_EQ(UnescapeFrame(Hex("FE01FD4102FE")), Hex("FE01FD4102FE"));
    EXPECT_EQ(UnescapeFrame(Hex("FE01FDFE")), Hex("FE01FDFE")); // FD right before the end byte
}

TEST(Stuffing, RoundTripsEveryByteValue) {
    QByteArray body = CommandBody(cmdWriteBlock);
    for (int i = 0; i < 248; ++i)
        body.append(static_cast<char>(255 - i));
    const QByteArray frame = BuildFrame(body);
    const QByteArray wire = EscapeFrame(frame);
    EXPECT_EQ(wire.count(char(0xFE)), 2);
    EXPECT_EQ(UnescapeFrame(wire), frame);
    EXPECT_TRUE(FrameSumOK(frame));
}

TEST(Checking, ChecksumLengthAndReplyRules) {
    const QByteArray request = BuildFrame(CommandBody(cmdConnect));
    const QByteArray reply = BuildFrame(0xFFF8, QByteArray());
    EXPECT_EQ(reply.size(), 9);
    EXPECT_TRUE(FrameSumOK(reply));
    EXPECT_TRUE(IsReplyTo(request, reply));
    EXPECT_FALSE(IsReplyTo(request, request)); // an echo carries the request's own code
    EXPECT_FALSE(FrameSumOK(reply.left(8)));
    QByteArray bad = reply;
    bad[4] = 0x01;
    EXPECT_FALSE(FrameSumOK(bad));
    EXPECT_EQ(FrameCommand(reply), 0xFFF8);
    EXPECT_EQ(FrameCommand(QByteArray()), 0);
    EXPECT_EQ(ReplyCode(cmdLiveData), 0xFFFC);
}

TEST(Checking, PayloadIsCutByTheLengthByte) {
    const QByteArray reply = BuildFrame(0xFFF9, "V1.2");
    EXPECT_EQ(FramePayload(reply), "V1.2");
    QByteArray shortLen = reply;
    shortLen[3] = 6; // LEN below 7
    EXPECT_EQ(FramePayload(shortLen), "");
    QByteArray longLen = reply;
    longLen[3] = char(200); // claims more than the frame holds: cut at the end, never beyond
    EXPECT_EQ(FramePayload(longLen).size(), reply.size() - 6);
    EXPECT_EQ(FramePayload(QByteArray()), "");
    EXPECT_EQ(CodeText(0x03), "03");
    EXPECT_EQ(CodeText(0x14), "14");
    EXPECT_EQ(CodeText(0xFFF8), "FFF8");
}

TEST(ByteQueue, ShortReadsChangeNothing) {
    TByteQueue q;
    q.LoadPayload(BuildFrame(0xFFFC, Hex("112233")));
    uint8_t b = 0;
    uint16_t w = 0x5555;
    q.ReadWord(w);
    EXPECT_EQ(w, 0x2211);
    q.ReadWord(w); // one byte left
    EXPECT_EQ(w, 0x2211);
    EXPECT_EQ(q.Position, 3);
    EXPECT_EQ(q.PeekByte(1), 0); // past the end
    QByteArray s = "keep";
    q.ReadString(s, 2);
    EXPECT_EQ(s, "keep");
    q.ReadByte(b);
    EXPECT_EQ(b, 0x33);
    q.ReadByte(b);
    EXPECT_EQ(b, 0x33);
    EXPECT_EQ(q.Position, 4);
    q.LoadPayload(QByteArray());
    EXPECT_EQ(q.Data, "");
    EXPECT_EQ(q.Position, 1);
}

TEST(ByteQueue, WritesSaturate) {
    TByteQueue q;
    for (int v : {300, -5, 0, 255, 128})
        q.WriteByte(v);
    EXPECT_EQ(q.GetData(), Hex("FF0000FF80"));
    EXPECT_EQ(q.Position, 6);
    q.Clear();
    EXPECT_EQ(q.GetData(), "");
    EXPECT_EQ(q.Position, 1);
}

} // namespace

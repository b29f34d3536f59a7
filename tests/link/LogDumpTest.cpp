#include "link/LogDump.h"
#include "QtPrinters.h"
#include "link/Codec.h"

#include <gtest/gtest.h>

namespace {

const QString Time = QStringLiteral("12:34:56");
const QString Indent = QString(Time.size() + 5, QLatin1Char(' '));

QByteArray Bytes(int n, uint8_t first = 0x41) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char(first + i));
    return b;
}

TEST(LogDump, ConnectRequestIsOneLineWithPaddingAndDots) {
    const QStringList lines = LogDumpLines(BuildFrame(CommandBody(cmdConnect)), true, Time);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0], Time + QStringLiteral(" TX> FE 01 02 07 07 00 11 00 FE ") +
                            QString(21, QLatin1Char(' ')) + QStringLiteral(" ........."));
}

struct LayoutCase {
    int bytes;
    QStringList expected;
};

TEST(LogDump, SixteenBytesALineAndFollowingLinesIndented) {
    const QString hex16 = QStringLiteral("41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 ");
    const LayoutCase cases[] = {
        {0, {}},
        {16, {Time + QStringLiteral(" RX< ") + hex16 + QStringLiteral(" ABCDEFGHIJKLMNOP")}},
        {17,
         {Time + QStringLiteral(" RX< ") + hex16 + QStringLiteral(" ABCDEFGHIJKLMNOP"),
          Indent + QStringLiteral("51 ") + QString(45, QLatin1Char(' ')) + QStringLiteral(" Q")}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(LogDumpLines(Bytes(c.bytes), false, Time), c.expected);
    }
}

TEST(LogDump, OnlyBytesFrom32To126ShowAsText) {
    const QByteArray data = QByteArrayLiteral("\x1F\x20~\x7F\xFD") + QByteArray(1, '\0');
    const QStringList lines = LogDumpLines(data, true, Time);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(" . ~...")));
    EXPECT_TRUE(lines[0].contains(QStringLiteral("1F 20 7E 7F FD 00 ")));
}

TEST(LogDump, LongTimeHasSecondsAndNoZone) {
    const QString text = LongTimeText(QTime(9, 8, 7));
    EXPECT_TRUE(text.contains(QStringLiteral("08")) && text.contains(QStringLiteral("07")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("UTC")));
}

} // namespace

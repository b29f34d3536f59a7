#include "link/LogDump.h"

#include "StringIds.h"
#include "resources/Strings.h"

#include <QLocale>
#include <QRegularExpression>

namespace {
constexpr int BytesPerLine = 16;
constexpr int HexWidth = 3 * BytesPerLine;
} // namespace

QStringList LogDumpLines(const QByteArray& data, bool sent, const QString& timeText) {
    static const char digits[] = "0123456789ABCDEF";
    const QString prefix = timeText + ResStr(sent ? SLogSentMarker : SLogReceivedMarker);
    const QString indent(prefix.size(), QLatin1Char(' '));
    QStringList lines;
    for (qsizetype start = 0; start < data.size(); start += BytesPerLine) {
        const qsizetype end = std::min<qsizetype>(start + BytesPerLine, data.size());
        QString hex, text;
        hex.reserve(HexWidth);
        for (qsizetype i = start; i < end; ++i) {
            const auto b = static_cast<uint8_t>(data[i]);
            hex += QLatin1Char(digits[b >> 4]);
            hex += QLatin1Char(digits[b & 0x0F]);
            hex += QLatin1Char(' ');
            text += (b >= 32 && b <= 126) ? QLatin1Char(char(b)) : QLatin1Char('.');
        }
        lines << (start == 0 ? prefix : indent) + hex.leftJustified(HexWidth, QLatin1Char(' ')) +
                     QLatin1Char(' ') + text;
    }
    return lines;
}

QString LongTimeText(const QTime& time) {
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    // Drop the time-zone field ("t", "tttt") together with the space that separates it.
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    format.replace(zone, QString());
    if (format.trimmed().isEmpty()) format = QStringLiteral("HH:mm:ss");
    return QLocale::system().toString(time, format.trimmed());
}

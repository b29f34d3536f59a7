#include "diagnostics/TroubleCodes.h"

#include "resources/Strings.h"

const std::array<TCodeEntry, 45> TroubleCodeTable = {{
    {0, "P3391", SDtcP3391}, {0, "P3394", SDtcP3394}, {0, "P3121", SDtcP3121}, {0, "P3122", SDtcP3122},
    {0, "P3124", SDtcP3124}, {0, "P3125", SDtcP3125}, {0, "P3126", SDtcP3126}, {0, "P3131", SDtcP3131},
    {0, "P3132", SDtcP3132}, {0, "P3134", SDtcP3134}, {0, "P3135", SDtcP3135}, {0, "P3136", SDtcP3136},
    {0, "P3110", SDtcP3110}, {0, "P3111", SDtcP3111}, {0, "P3112", SDtcP3112}, {0, "P3113", SDtcP3113},
    {0, "P3114", SDtcP3114}, {0, "P3220", SDtcP3220}, {0, "P3221", SDtcP3221}, {0, "P3222", SDtcP3222},
    {0, "P3223", SDtcP3223}, {0, "P3224", SDtcP3224}, {0, "P3225", SDtcP3225}, {0, "P3226", SDtcP3226},
    {0, "P3227", SDtcP3227}, {0, "U3000", SDtcU3000}, {0, "U3002", SDtcU3002}, {0, "U3004", SDtcU3004},
    {0, "U3006", SDtcU3006}, {0, "U3008", SDtcU3008}, {0, "U300A", SDtcU300A}, {0, "U300C", SDtcU300C},
    {0, "U300E", SDtcU300E}, {0, "P3200", SDtcP3200}, {0, "P3202", SDtcP3202}, {0, "P3204", SDtcP3204},
    {0, "P3206", SDtcP3206}, {0, "P3208", SDtcP3208}, {0, "P320A", SDtcP320A}, {0, "P320C", SDtcP320C},
    {0, "P320E", SDtcP320E}, {0, "P3230", SDtcP3230}, {0, "P3231", SDtcP3231}, {0, "P3233", SDtcP3233},
    {0, "P3234", SDtcP3234},
}};

const std::array<TCodeEntry, 9> ComErrorTable = {{
    {0x0000, "", SComError0000},
    {0xF000, "", SComErrorF000},
    {0xE000, "", SComErrorE000},
    {0x000A, "", SComError000A},
    {0x0001, "", SComError0001},
    {0x0002, "", SComError0002},
    {0x0003, "", SComError0003},
    {0x0004, "", SComError0004},
    {0x0005, "", SComError0005},
}};

namespace {

uint16_t WordAt(const QByteArray& bytes, int i) {
    return uint16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8);
}

uint32_t LongAt(const QByteArray& bytes, int i) {
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k)
        v = v << 8 | uint8_t(bytes[i + k]);
    return v;
}

// "P3391: description" for each whole pair of bytes from first on; a trailing odd byte is no code.
QStringList CodeLines(const QByteArray& payload, int first, const QString& prefix) {
    QStringList lines;
    for (int i = first; i + 1 < payload.size(); i += 2) {
        const QString code = FormatTroubleCode(WordAt(payload, i));
        lines << prefix + code + QStringLiteral(": ") + TroubleCodeDescription(code);
    }
    return lines;
}

QString HoursAndMinutes(uint32_t minutes) {
    return QStringLiteral("%1").arg(minutes / 60, 8) + ResStr(SDiagHours) +
           QStringLiteral("%1").arg(minutes % 60, 2) + ResStr(SDiagMins);
}

} // namespace

QString FormatTroubleCode(uint16_t code) {
    static const char Letters[] = "PCBU";
    return QLatin1Char(Letters[code >> 14]) + QString::number((code >> 12) & 3) +
           QStringLiteral("%1").arg(code & 0x0FFF, 3, 16, QLatin1Char('0')).toUpper();
}

QString TroubleCodeDescription(const QString& codeText) {
    for (const TCodeEntry& e : TroubleCodeTable)
        if (codeText == QLatin1String(e.Code)) return ResStr(e.Description);
    return ResStr(SDiagNotStandardCode);
}

QString ComErrorDescription(uint16_t number) {
    for (const TCodeEntry& e : ComErrorTable)
        if (e.Number == number) return ResStr(e.Description);
    return ResStr(SDiagUnknownComError);
}

QStringList StoredCodeLines(const QByteArray& payload) {
    // A reading starts with 1 and the number of codes. A reply without codes ("1, 0") must not
    // turn its two header bytes into a code, nor may the answer to a clear ("2").
    if (payload.size() < 2 || uint8_t(payload[0]) != ReadRecord) return {};
    return CodeLines(payload, 2, QString());
}

QStringList PendingCodeLines(const QByteArray& payload) {
    return CodeLines(payload, 0, ResStr(SDiagPending));
}

QStringList ComErrorLines(const QByteArray& payload) {
    QStringList lines;
    for (int i = 0; i + 1 < payload.size(); i += 2) {
        const uint16_t number = WordAt(payload, i);
        lines << QStringLiteral("%1").arg(number, 4, 16, QLatin1Char('0')).toUpper() + QStringLiteral(": ") +
                     ComErrorDescription(number);
    }
    return lines;
}

QStringList CounterLines(const QByteArray& payload) {
    // A cut reading would show zeros the ECU never counted.
    if (payload.size() < 13 || uint8_t(payload[0]) != ReadRecord) return {};
    return {ResStr(SDiagDrivingCycles) + QString::number(LongAt(payload, 1)),
            ResStr(SDiagTimeOnGas) + HoursAndMinutes(LongAt(payload, 5)),
            ResStr(SDiagTimeOnPetrol) + HoursAndMinutes(LongAt(payload, 9))};
}

std::optional<QByteArray> VinOfReply(const QByteArray& payload) {
    if (payload.size() != VinLength + 1 || uint8_t(payload[0]) != VinRead) return std::nullopt;
    return payload.mid(1);
}

#include "live/RecordingFile.h"

#include "StringIds.h"
#include "resources/Strings.h"

#include <QFile>
#include <QLocale>
#include <array>
#include <charconv>
#include <cmath>

namespace {

QString DecimalSeparator() {
    return QLocale().decimalPoint();
}

bool ParseNumber(QStringView text, const QString& separator, double& value) {
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 60) return false;
    std::array<char, 64> buffer{};
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char(',') || c == QLatin1Char('.') || (separator.size() == 1 && c == separator[0]))
            buffer[n++] = '.';
        else if (c.unicode() < 128)
            buffer[n++] = static_cast<char>(c.unicode());
        else
            return false;
    }
    const char* first = buffer.data();
    if (*first == '+') ++first;
    double parsed = 0;
    const auto [end, ec] = std::from_chars(first, buffer.data() + n, parsed, std::chars_format::general);
    if (ec != std::errc() || end != buffer.data() + n || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

} // namespace

QString FormatFixed(double value, int width, int decimals) {
    std::array<char, 64> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                         std::chars_format::fixed, decimals);
    if (ec != std::errc()) return QStringLiteral("0");
    QString text = QString::fromLatin1(buffer.data(), end - buffer.data());
    const QString separator = DecimalSeparator();
    if (separator != QLatin1String(".")) text.replace(QLatin1Char('.'), separator);
    if (text.size() < width) text.prepend(QString(width - text.size(), QLatin1Char(' ')));
    return text;
}

bool ParseRecordedNumber(QStringView text, double& value) {
    return ParseNumber(text, DecimalSeparator(), value);
}

bool ReadRecordingFile(const QString& fileName, int maxValues, TRecording& recording, QString* error) {
    recording = TRecording();
    auto fail = [&](const QString& message) {
        if (error) *error = message;
        recording = TRecording();
        return false;
    };

    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return fail(ResStr(SMsgRecordingReadError).arg(fileName, file.errorString()));
    if (file.size() > MaxRecordingFileSize)
        return fail(ResStr(SMsgRecordingTooLarge).arg(fileName).arg(MaxRecordingFileSize / (1024 * 1024)));
    const QByteArray bytes = file.read(MaxRecordingFileSize);
    if (file.error() != QFileDevice::NoError)
        return fail(ResStr(SMsgRecordingReadError).arg(fileName, file.errorString()));
    const QString text = QString::fromUtf8(bytes);
    const QString separator = DecimalSeparator();

    recording.LineStart.push_back(0);
    std::vector<double> fields;
    fields.reserve(size_t(maxValues) + 1);
    int lineNumber = 0;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        ++lineNumber;
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (lineNumber == 1) continue; // the header: trace titles of whatever language recorded it
        const bool scaling = line.startsWith(QLatin1String(ScalingKeyword));
        if (scaling && recording.HasScaling) continue; // the first closing line is the one that counts
        fields.clear();
        bool first = true;
        for (QStringView field : line.split(QLatin1Char('\t'), Qt::SkipEmptyParts)) {
            if (first && scaling) {
                first = false;
                continue;
            }
            first = false;
            if (field.trimmed().isEmpty()) continue;
            double value = 0;
            if (!ParseNumber(field, separator, value))
                return fail(ResStr(SMsgRecordingNotANumber).arg(lineNumber).arg(fileName, field.toString()));
            // Times count up from zero and a full scale fits its four-character Max edit (0 for a
            // hidden trace): anything else was never written by a recording.
            const bool isTime = !scaling && fields.empty();
            if ((isTime || scaling) && (value < 0 || (scaling && value > MaxTraceFullScale)))
                return fail(ResStr(SMsgRecordingOutOfRange).arg(lineNumber).arg(fileName, field.toString()));
            fields.push_back(value);
            const int values = int(fields.size()) - (scaling ? 0 : 1);
            if (values > maxValues)
                return fail(ResStr(SMsgRecordingTooManyColumns).arg(lineNumber).arg(fileName).arg(maxValues));
        }
        if (scaling) {
            recording.HasScaling = true;
            recording.Scaling = fields;
        } else if (!fields.empty()) {
            recording.Times.push_back(fields[0]);
            recording.Values.insert(recording.Values.end(), fields.begin() + 1, fields.end());
            recording.LineStart.push_back(recording.Values.size());
        }
    }
    if (recording.LineCount() == 0) return fail(ResStr(SMsgRecordingEmpty).arg(fileName));
    return true;
}

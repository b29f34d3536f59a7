#include "config/NumberFormat.h"

#include <algorithm>
#include <cmath>

QLocale NumberLocale() {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

namespace {

// NumberLocale, built once for each default locale: grids format and read every cell they paint.
const QLocale& CachedNumberLocale() {
    static thread_local QLocale base;
    static thread_local QLocale numbers = NumberLocale();
    const QLocale current;
    if (current != base) {
        base = current;
        numbers = NumberLocale();
    }
    return numbers;
}

} // namespace

QString FormatNumber(const char* format, double value) {
    return FormatNumber(format, value, CachedNumberLocale());
}

QString FormatNumber(const char* format, double value, const QLocale& locale) {
    int width = 0, precision = -1;
    char conversion = 'f';
    const char* p = format;
    if (p && *p == '%') {
        ++p;
        while (*p >= '0' && *p <= '9')
            width = width * 10 + (*p++ - '0');
        if (*p == '.') {
            ++p;
            precision = 0;
            while (*p >= '0' && *p <= '9')
                precision = precision * 10 + (*p++ - '0');
        }
        if (*p) conversion = *p;
    }
    QString text;
    if (conversion == 'd') {
        // Beyond the range of a 64-bit integer the conversion would be undefined.
        const double whole = std::isfinite(value) ? std::clamp(std::trunc(value), -9.0e18, 9.0e18) : 0.0;
        text = locale.toString(static_cast<qlonglong>(whole));
        // A precision on an integer is its least number of digits.
        if (precision > 0) {
            const bool negative = text.startsWith(locale.negativeSign());
            QString digits = negative ? text.mid(locale.negativeSign().size()) : text;
            if (digits.size() < precision)
                digits = QString(precision - digits.size(), locale.zeroDigit().at(0)) + digits;
            text = negative ? locale.negativeSign() + digits : digits;
        }
    } else {
        text = locale.toString(value, 'f', precision < 0 ? 6 : precision);
    }
    if (text.size() < width) text = QString(width - text.size(), QLatin1Char(' ')) + text;
    return text;
}

QString FormatCellValue(TMapTypeOfData kind, double value) {
    return FormatNumber(MapKind(kind).GridFormat, value);
}

bool ReadLocaleNumber(const QString& text, double& value) {
    bool ok = false;
    const double v = CachedNumberLocale().toDouble(text.trimmed(), &ok);
    if (ok) value = v;
    return ok;
}

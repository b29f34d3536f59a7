#include "widgets/NumericEdit.h"

#include "config/NumberFormat.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>
#include <cmath>

QString FormatPicture(const QString& format, double value) {
    const int point = format.indexOf(QLatin1Char('.'));
    int fewest = 0;
    int most = 0;
    if (point >= 0) {
        for (QChar c : format.mid(point + 1)) {
            if (c == QLatin1Char('0')) ++fewest;
            if (c == QLatin1Char('0') || c == QLatin1Char('#')) ++most;
        }
    }
    QString text = NumberLocale().toString(value, 'f', most);
    const QChar decimal = NumberLocale().decimalPoint().at(0);
    const int at = text.indexOf(decimal);
    if (at >= 0) {
        int keep = text.size();
        while (keep > at + 1 + fewest && text.at(keep - 1) == QLatin1Char('0'))
            --keep;
        if (keep == at + 1) keep = at; // no decimals left: no point either
        text.truncate(keep);
    }
    return text;
}

TNumericEdit::TNumericEdit(bool real, QWidget* parent) : QLineEdit(parent), Real(real) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(this, &QLineEdit::editingFinished, this, &TNumericEdit::Commit);
}

double TNumericEdit::Value() const {
    double v = 0;
    if (!ReadLocaleNumber(text(), v)) return Shown;
    if (!Real) v = std::round(v);
    if (ClampAboveMax && v > MaxValue) v = MaxValue;
    return v;
}

int TNumericEdit::IntegerValue() const {
    const double v = Value();
    return v >= 2147483647.0 ? 2147483647 : v <= -2147483648.0 ? -2147483647 - 1 : int(std::lround(v));
}

void TNumericEdit::SetValue(double value) {
    Shown = value;
    setText(Real ? FormatPicture(Format, value) : NumberLocale().toString(qint64(std::llround(value))));
    setModified(false);
}

void TNumericEdit::Commit() {
    if (!isModified()) return;
    setModified(false);
    if (ClampAboveMax) {
        double v = 0;
        if (ReadLocaleNumber(text(), v) && v > MaxValue) SetValue(MaxValue);
    }
    emit ValueEdited();
}

void TNumericEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // Selected after the framework's own placing of the cursor for a mouse click.
    QTimer::singleShot(0, this, [this] {
        if (hasFocus()) selectAll();
    });
    emit FocusEntered();
}

void TNumericEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    emit FocusLeft();
}

void TNumericEdit::keyPressEvent(QKeyEvent* event) {
    QLineEdit::keyPressEvent(event);
    // Enter commits even when the framework would not repeat editingFinished for the same text.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) Commit();
}

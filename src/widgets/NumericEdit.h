#pragma once

#include <QLineEdit>

// A plain numeric field: it takes any number the user types and shows its value with a fixed
// picture format ("0.0", "#0.00#", "###0"). Its limits are what the range check and the range
// hint read; it enforces none of them itself unless ClampAboveMax is set.
class TNumericEdit : public QLineEdit {
    Q_OBJECT
public:
    TNumericEdit(bool real, QWidget* parent = nullptr);

    bool IsReal() const { return Real; }
    void SetReal(bool real) { Real = real; }
    double MinValue = 0;
    double MaxValue = 0;
    // The field refuses values above MaxValue by showing MaxValue instead.
    bool ClampAboveMax = false;
    QString Format = QStringLiteral("#0.#");

    // The value typed (an integer field rounds it); the last value shown when the text is no number.
    double Value() const;
    int IntegerValue() const;
    void SetValue(double value);

signals:
    // The user finished editing (Enter or leaving the field) after changing the text.
    void ValueEdited();
    void FocusEntered();
    void FocusLeft();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Commit();
    bool Real;
    double Shown = 0;
};

// value in a picture format: "0" a digit always shown, "#" a digit shown when not zero; the
// digits after the point give the fewest and the most decimals ("#0.0#": one or two).
QString FormatPicture(const QString& format, double value);

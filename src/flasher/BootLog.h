#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The text of the flasher's boot log: what the ECU's boot monitor says, and the flash
// procedure's own lines. Lines are separated by '\n'. A window mirrors it through the signals.
class TBootLog : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const QString& Text() const { return FText; }
    qsizetype Size() const { return FText.size(); }
    void Clear();
    // The monitor's bytes: a carriage return starts a new line, a line feed is ignored, any other
    // byte is appended.
    void Echo(const QByteArray& Bytes);
    // Starts a new line holding Line.
    void AddLine(const QString& Line);
    // Appends at the end of the last line.
    void Append(const QString& Text);
    // Replaces everything from Position to the end.
    void ReplaceFrom(qsizetype Position, const QString& Text);
    // Whether the text from Position on holds Text, ignoring case.
    bool Contains(const QString& Text, qsizetype Position = 0) const;

signals:
    void Cleared();
    void Appended(const QString& text);
    void TailReplaced(qsizetype position, const QString& text);

private:
    QString FText;
};

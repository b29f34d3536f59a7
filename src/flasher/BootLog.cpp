#include "flasher/BootLog.h"

void TBootLog::Clear() {
    FText.clear();
    emit Cleared();
}

void TBootLog::Echo(const QByteArray& Bytes) {
    QString text;
    text.reserve(Bytes.size());
    for (const char c : Bytes) {
        if (c == '\n') continue;
        text.append(c == '\r' ? QChar(u'\n') : QChar(static_cast<unsigned char>(c)));
    }
    if (!text.isEmpty()) Append(text);
}

void TBootLog::AddLine(const QString& Line) {
    Append(FText.isEmpty() || FText.endsWith(u'\n') ? Line : QChar(u'\n') + Line);
}

void TBootLog::Append(const QString& Text) {
    FText.append(Text);
    emit Appended(Text);
}

void TBootLog::ReplaceFrom(qsizetype Position, const QString& Text) {
    Position = qBound<qsizetype>(0, Position, FText.size());
    FText.truncate(Position);
    FText.append(Text);
    emit TailReplaced(Position, Text);
}

bool TBootLog::Contains(const QString& Text, qsizetype Position) const {
    return FText.indexOf(Text, qBound<qsizetype>(0, Position, FText.size()), Qt::CaseInsensitive) >= 0;
}

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTime>

// The lines of the Log window for one frame: 16 bytes a line, each byte as two upper-case hex
// digits and a space padded to 48 characters, one space, then the same bytes as text with every
// byte outside 32..126 shown as ".". The first line starts with the time and the direction
// marker; the following lines with as many spaces.
QStringList LogDumpLines(const QByteArray& data, bool sent, const QString& timeText);

// A time of day in the system's long time format, without the time zone that Qt's long format
// appends on some systems.
QString LongTimeText(const QTime& time);

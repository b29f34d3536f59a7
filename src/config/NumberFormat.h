#pragma once

#include "config/MapTypes.h"

#include <QLocale>
#include <QString>

// Numbers as the user reads and types them: the user's locale, without group separators, in the
// fixed printf-style formats the tables and fields are given ("%4.2f", "%3.0d").

// The user's locale for numbers shown and read: no group separators either way, so that "1.050"
// can never pass for a thousand where "." is the group separator.
QLocale NumberLocale();

// value in a format of the form %[width][.precision]f or %[width][.precision]d. A "d" format
// shows the value truncated toward zero; the width pads on the left with spaces, as printf does.
QString FormatNumber(const char* format, double value);
QString FormatNumber(const char* format, double value, const QLocale& locale);

// A cell of kind as its grid shows it (the format of the kind's table row).
QString FormatCellValue(TMapTypeOfData kind, double value);

// Reads text written with the user's locale; surrounding spaces are ignored. False when it is no
// number.
bool ReadLocaleNumber(const QString& text, double& value);

#pragma once

#include <QString>
#include <QtGlobal>
#include <QStringView>
#include <vector>

// Recording files: tab-separated text, lines ended by CR LF. A header line ("time [s]" and the
// trace titles), one data line per poll tick (time, then one value per trace) and, when the
// recording was stopped normally, a closing line "SCALING" with each trace's Max (0 = hidden)
// and no line end. Numbers use the decimal separator of the user's locale.

inline constexpr char ScalingKeyword[] = "SCALING";

// The largest recording shown: some eighteen hours of super-fast polling. A larger file would
// take gigabytes once drawn.
inline constexpr qint64 MaxRecordingFileSize = qint64(256) * 1024 * 1024;
// The largest full-scale value of a trace: its Max edit holds four characters.
inline constexpr double MaxTraceFullScale = 9999;

// printf's "%<width>.<decimals>f" with the decimal separator of the user's locale and no group
// separator.
QString FormatFixed(double value, int width, int decimals);

// Reads a number written by FormatFixed, in this locale or another: surrounding blanks are
// ignored and both "." and "," are taken as the decimal separator (recordings never hold a group
// separator). False for anything else, infinities and NaN included.
bool ParseRecordedNumber(QStringView text, double& value);

// A recording file as read back.
struct TRecording {
    bool HasScaling = false;
    std::vector<double> Scaling;   // the fields after "SCALING", one per trace
    std::vector<double> Times;     // field 0 of each data line
    std::vector<double> Values;    // the other fields of all data lines, one line after another
    std::vector<size_t> LineStart; // where each data line's values start in Values, plus the end

    size_t LineCount() const { return Times.size(); }
};

// Reads and checks a whole recording file. Empty fields are skipped, as the writer never makes
// any; blank lines are ignored. On failure returns false and puts a message for the user in
// *error: the file cannot be read, holds no data line, has a line with more values than
// maxValues, a field that is not a number, a negative time, or a full-scale value outside
// 0..MaxTraceFullScale; a file larger than MaxRecordingFileSize is not read.
bool ReadRecordingFile(const QString& fileName, int maxValues, TRecording& recording, QString* error);

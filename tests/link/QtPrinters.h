#pragma once

#include <QString>
#include <ostream>

// Failure messages show Qt strings as text. Every test source of this folder includes this, so
// all of them print QString the same way.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

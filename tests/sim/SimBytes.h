#pragma once

#include <QByteArray>
#include <initializer_list>

// Bytes written out as numbers, as the simulator's tests give its input and expected output.
inline QByteArray Bytes(std::initializer_list<int> list) {
    QByteArray a;
    for (int b : list)
        a.append(static_cast<char>(b));
    return a;
}

#pragma once

#include "sim/SimEcu.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The ECU's end of the serial line: a pseudo-terminal whose terminal side is published under a
// link path, as a USB adapter's device would appear. Closing it is pulling the adapter out: the
// program at the other end sees its port fail, and the link path goes away.
class TPtyLink {
public:
    TPtyLink() = default;
    TPtyLink(const TPtyLink&) = delete;
    TPtyLink& operator=(const TPtyLink&) = delete;
    ~TPtyLink() { Close(); }

    // Opens a new pseudo-terminal and points the link path at it. An existing file at the path is
    // never replaced unless it is a symbolic link.
    bool Open(const QString& linkPath, QString& error);
    void Close();

    bool IsOpen() const { return Master >= 0; }
    int Fd() const { return Master; }
    QString TerminalName() const { return Terminal; }

    // False while no program has the terminal open.
    bool ClientPresent();
    // The speed and framing the program at the other end has set.
    std::optional<TClientLine> ClientLine() const;

    QByteArray Read();
    // Bytes that nobody is there to read are lost, as on a real line.
    void Write(const QByteArray& bytes);

private:
    int Master = -1;
    QString Link, Terminal;
    bool Present = false;
};

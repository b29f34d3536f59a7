#pragma once

#include "sim/SimEcu.h"

#include <QString>
#include <QStringList>

// The control channel: one command a line, answered by zero or more data lines starting with "= "
// and a last line "ok" or "error: <reason>".
struct TControlResult {
    enum TAction { None, Unplug, Replug, Quit };

    bool Ok = true;
    QString Error;
    QStringList Lines;
    TAction Action = None;
};

TControlResult RunControlCommand(TSimEcu& ecu, const QString& line, SimTime now);

// The commands, as --help and "help" print them.
QString ControlHelp();

// A trouble code as text ("P3391", "U300A") or number ("0x3391"), to its 16-bit value.
bool ParseTroubleCode(const QString& text, uint16_t& code);

#pragma once

#include <QStringList>
#include <QtGlobal>

// What every benchmark reads from its command line and environment.

// The number after name ("--runs 3"), at least 1; fallback when name is not given.
inline int IntOption(const QStringList& args, const QString& name, int fallback) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? qMax(1, args[at + 1].toInt()) : fallback;
}

// The simulator this build made, unless CORVANE_SIM names another.
inline void UseBuiltSimulator() {
    if (qEnvironmentVariableIsEmpty("CORVANE_SIM")) qputenv("CORVANE_SIM", CORVANE_SIM_DEFAULT);
}

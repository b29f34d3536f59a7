#pragma once

#include "common/EcuSim.h"
#include "common/ScratchSettings.h"

#include <cstdio>
#include <memory>

// The simulated ECU, answering at the line's real speed unless options say otherwise, named as
// the port in the settings file; null, with the reason on standard error, when it does not come
// up.
inline std::unique_ptr<TEcuSim> StartEcuAsPort(const char* benchmark, const QStringList& options = {}) {
    auto ecu = std::make_unique<TEcuSim>(options);
    if (!ecu->IsRunning()) {
        std::fprintf(stderr, "%s: %s\n", benchmark, qPrintable(ecu->ErrorText()));
        return nullptr;
    }
    TScratchSettings::UsePort(ecu->LinkPath());
    return ecu;
}

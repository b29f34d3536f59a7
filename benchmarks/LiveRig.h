#pragma once

#include "common/LiveClients.h"
#include "config/UnitDati.h"
#include "link/SerialLink.h"
#include "live/UnitAcquisizioni.h"

#include <QObject>

// The configuration model, the live-data manager and the serial link, wired as the program wires
// them for live-data polling. The link is not started.
struct TLiveRig {
    TDataMap Model;
    TAcquisitions Acq;
    LiveClients Clients{Acq};
    TSerialLink Link;

    TLiveRig() {
        Acquisitions = &Acq;
        Link.SetClients(&Clients);
        QObject::connect(&Acq, &TAcquisitions::PollCountdownReloaded, &Link,
                         [this](int ticks) { Link.SchedulePoll(ticks); });
    }
    ~TLiveRig() {
        Link.Dismantle();
        Acquisitions = nullptr;
    }
};

#pragma once

#include "app/LinkSettings.h"
#include "link/SerialLink.h"
#include "live/UnitAcquisizioni.h"

// The link's view of the live-data manager, as the program wires it.
class LiveClients : public TSettingsFileLinkClients {
public:
    explicit LiveClients(TAcquisitions& acquisitions) : Acq(acquisitions) {}
    bool Standard() override { return Acq.Standard; }
    bool StatusUpdate() override { return Acq.StatusUpdate; }
    void SetStandard(bool on) override { Acq.SetStandard(on); }
    void SetSuperFast(bool on) override { Acq.SetSuperFast(on); }
    void SetStatusUpdate(bool on) override { Acq.SetStatusUpdate(on); }
    void SetSaving(bool on) override { Acq.SetSaving(on); }
    void PollLiveData() override { Acq.PollLiveData(); }

private:
    TAcquisitions& Acq;
};

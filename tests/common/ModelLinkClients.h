#pragma once

#include "app/LinkSettings.h"
#include "config/UnitDati.h"
#include "link/SerialLink.h"

// The link's view of the configuration model, as the program wires it: the connection reads the
// configuration and the master timer drives the map refresh.
class ModelLinkClients : public TSettingsFileLinkClients {
public:
    TDataMap* Model = nullptr;
    bool EnableMapRefresh() override { return Model && Model->EnableMapRefresh; }
    void SetEnableMapRefresh(bool on) override {
        if (Model) Model->EnableMapRefresh = on;
    }
    void RefreshActiveMap() override {
        if (Model) Model->RefreshActiveMap();
    }
    void UploadAll(bool notify) override {
        if (Model) Model->UploadAll(notify);
    }
    int OperatingMode() override { return ::OperatingMode; }
};

#pragma once

#include <QString>

// The port settings kept between runs: the port as stored ("" when none is stored; a bare number
// n means COMn, "0" no port) and whether the link scans the ports for an ECU.
struct TStoredPort {
    QString Port;
    bool Scan = false;
};

// What the link asks of the subsystems around it: the live-data manager's polling switches, the
// configuration model's map refresh and upload, the mode the ECU reports, transient notices,
// the list of communication errors, failures to show and the port settings to keep. The link
// itself keeps to the wire: what is shown to the user and what is written to disk is the
// program's business. The program wires an implementation in; until then every call does
// nothing, so the link runs on its own.
class TLinkClients {
public:
    virtual ~TLinkClients() = default;

    // Live-data polling.
    virtual bool Standard() { return false; }
    virtual bool StatusUpdate() { return false; }
    virtual void SetStandard(bool) {}
    virtual void SetSuperFast(bool) {}
    virtual void SetStatusUpdate(bool) {}
    virtual void SetSaving(bool) {}
    // Sends the next live-data request; it reloads the link's PollCountdown.
    virtual void PollLiveData() {}
    virtual bool MetersVisible() { return false; }

    // The configuration model.
    virtual bool EnableMapRefresh() { return false; }
    virtual void SetEnableMapRefresh(bool) {}
    virtual void RefreshActiveMap() {}
    // Reads the whole configuration from the ECU (then the VIN).
    virtual void UploadAll(bool /*notify*/) {}

    // The operating mode the tool believes the ECU is in: 0 Slave, 1 Compensated.
    virtual int OperatingMode() { return 0; }
    virtual void SetOperatingMode(int) {}
    // The main window adapts its pages to OperatingMode.
    virtual void ApplyOperatingMode() {}

    // A notice that fades in and out by itself.
    virtual void ShowTransientMessage(const QString& /*text*/, int /*milliseconds*/) {}
    // The list of communication errors of the diagnostics window.
    virtual void AddComError(const QString&) {}
    // A failure the user must acknowledge, such as a reset the ECU never answered.
    virtual void ReportFailure(const QString&) {}

    // The port settings kept between runs, and their new values to keep.
    virtual TStoredPort StoredPort() { return {}; }
    virtual void StorePort(const TStoredPort&) {}
};

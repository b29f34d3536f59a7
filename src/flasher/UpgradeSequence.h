#pragma once

#include "flasher/BootDialogue.h"
#include "flasher/BootLog.h"
#include "link/Frames.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

class TSerialLink;
class TDataMap;

// What the upgrade sequence asks of the flasher window.
class TUpgradeView {
public:
    virtual ~TUpgradeView() = default;
    virtual void StartStepTimer() = 0;
    virtual void StopStepTimer() = 0;
    // The status line as it is to be shown now (the status text and its dots).
    virtual void ShowStatusLine(const QString& Line) = 0;
    // A new status text: one call for each step's text, in order.
    virtual void StatusTextChanged(const QString&) {}
    virtual void ShowCurrentRevision(const QString& Text) = 0;
    virtual void ShowNewRevision(const QString& Text) = 0;
    virtual void ShowProgress(int Percent) = 0;
    virtual void ShowLinesWritten(int, int) {}
    virtual void HideMeters() {}
    // The sequence has ended: the window closes, which runs TUpgradeSequence::Finish.
    virtual void CloseWindow() = 0;
};

// The whole upgrade of the ECU firmware, one step per tick of the window's 200 ms step timer:
// the current revision, the configuration saved into the tool, the reset into the boot monitor,
// the firmware file, the erase and download, the monitor left, the ECU sensed again and the
// configuration written back. It sends its requests to the ECU as a reply consumer.
class TUpgradeSequence : public QObject, public TConsumerInterface {
    Q_OBJECT
public:
    static constexpr int StepTimerMs = 200;
    // Ticks after the reset's reply before the user is asked to power-cycle the ECU (5 s).
    static constexpr int MonitorWaitTicks = 25;

    TUpgradeSequence(TSerialLink& Link, TDataMap& Model, TUpgradeView& View, QObject* Parent = nullptr);
    ~TUpgradeSequence() override;

    // The window opens: the link is prepared and the sequence starts at step 1.
    void Start();
    // One tick of the step timer.
    void TimerStepTimer();
    // The window closes: the monitor is left and the link's periodic duties resume.
    void Finish();
    // Whether the window may close now: not during the flash, nor while a step's own wait runs.
    bool CanClose() const { return !Busy && !Dialogue.Flashing(); }

    // Steps as they are run; 0 waits for an event.
    uint8_t Step = 0;
    QString StatusText;
    bool NoConfig = true;
    bool InMonitor = false;
    int32_t MonitorCountdown = -1;
    QString StatusLine;

    TBootLog BootLog;
    TBootDialogue Dialogue;

    // TConsumerInterface
    void FrameReceived(const TFrame& Reply) override;
    void FrameDiscarded() override;
    void FrameFailed() override;

private:
    void SetStatusText(const QString& Text);
    void AnimateStatusLine();
    void RunStep();
    void WaitForMonitor();
    void ChooseFile();
    void StartFlash();
    void FlashProcedure();
    void SaveConfiguration();
    void RestoreConfiguration();
    void ResetEcu();

    TSerialLink& Link;
    TDataMap& Model;
    TUpgradeView& View;
    bool Busy = false;
    bool Started = false;
    std::unique_ptr<TFlashThread> FlashThread;
};

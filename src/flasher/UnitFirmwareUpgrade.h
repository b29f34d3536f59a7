#pragma once

#include "flasher/UpgradeSequence.h"

#include <QDialog>
#include <QTimer>
#include <memory>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QToolButton;
class TGuiHost;

// The firmware flasher: the whole upgrade of the ECU firmware, step by step. The window shows
// what its TUpgradeSequence does and drives it with its step timer.
class TFormFirmwareUpgrade : public QDialog, public TUpgradeView {
    Q_OBJECT
public:
    explicit TFormFirmwareUpgrade(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormFirmwareUpgrade() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();

    // Ends the ECU's boot monitor (ESC "RST" CR) and returns the port to frame mode; the ECU menu's
    // "Close bootloader (RST)".
    void CloseBootloader();

    // Null until the window first opens with the link and the configuration model in place.
    TUpgradeSequence* Sequence() const { return FSequence.get(); }

    // A close waits while the flash or a step's own wait runs.
    void done(int result) override;

    QLabel* LabelIstruzioni;
    QProgressBar* ProgressBar;
    QLabel* LabelProgress;
    QLabel* LabelLines;
    QToolButton* ButtonVerbose;
    QPushButton* ButtonClose;
    QLabel* LabelCurrent;
    QLabel* LabelCurrentVersion;
    QLabel* LabelNew;
    QLabel* LabelNewVersion;
    QPlainTextEdit* BootLog;
    QTimer TimerStep;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    void FormClose();
    void ButtonVerboseClick(bool on);
    bool EnsureSequence();

    // TUpgradeView
    void StartStepTimer() override { TimerStep.start(); }
    void StopStepTimer() override { TimerStep.stop(); }
    void ShowStatusLine(const QString& line) override;
    void ShowCurrentRevision(const QString& text) override;
    void ShowNewRevision(const QString& text) override;
    void ShowProgress(int percent) override;
    void ShowLinesWritten(int written, int lines) override;
    void HideMeters() override;
    void CloseWindow() override;

    TGuiHost* Host;
    std::unique_ptr<TUpgradeSequence> FSequence;
    bool Running = false;
    bool ForceClose = false;
};

extern TFormFirmwareUpgrade* FormFirmwareUpgrade;

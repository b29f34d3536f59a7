#include "flasher/UpgradeSequence.h"

#include "app/Constants.h"
#include "resources/Strings.h"
#include "app/UserDialogs.h"
#include "config/ConfigTransfer.h"
#include "config/UnitDati.h"
#include "flasher/FirmwareFile.h"
#include "link/Codec.h"
#include "link/ReplyDispatch.h"
#include "link/SerialLink.h"

#include <QCoreApplication>

namespace {

// What the boot monitor says, as the tool recognises it in the boot log.
const QString OfferText = QStringLiteral("Type ESC to enter monitor mode");
const QString ActiveText = QStringLiteral("Monitor active");
const QString StartedText = QStringLiteral("Start Application");

} // namespace

TUpgradeSequence::TUpgradeSequence(TSerialLink& link, TDataMap& model, TUpgradeView& view, QObject* parent)
    : QObject(parent), Dialogue(link, BootLog), Link(link), Model(model), View(view) {
    connect(&Dialogue, &TBootDialogue::ProgressChanged, this,
            [this](int percent) { View.ShowProgress(percent); });
    connect(&Dialogue, &TBootDialogue::LinesWritten, this,
            [this](int written, int lines) { View.ShowLinesWritten(written, lines); });
    connect(&Dialogue, &TBootDialogue::FlashingStarted, this, [this] {
        SetStatusText(ResStr(SFlashFlashingFirmware));
        Step = 8;
    });
}

TUpgradeSequence::~TUpgradeSequence() {
    Dialogue.Abort();
}

void TUpgradeSequence::SetStatusText(const QString& text) {
    if (text == StatusText) return;
    StatusText = text;
    View.StatusTextChanged(text);
    // Shown at once: a step can take less than a tick, the flash included.
    StatusLine = text;
    View.ShowStatusLine(StatusLine);
}

// ---- Opening and closing --------------------------------------------------------------------

void TUpgradeSequence::Start() {
    FlashThread.reset();
    Dialogue.Lines.clear();
    View.ShowProgress(0);
    StatusText.clear();
    SetStatusText(ResStr(SFlashInitializing));
    View.ShowCurrentRevision(QString());
    View.ShowNewRevision(QString());
    View.HideMeters();
    BootLog.Clear();
    QCoreApplication::processEvents();

    TLinkClients& clients = Link.Clients();
    clients.SetStandard(false);
    clients.SetStatusUpdate(false);
    clients.SetSaving(false);
    clients.SetEnableMapRefresh(false);
    Model.EnableMapRefresh = false;
    Link.StopPeriodic();
    Link.ResetLink();
    Dialogue.LeaveMonitorMode();

    MonitorCountdown = -1;
    Step = 1;
    NoConfig = true;
    InMonitor = false;
    Started = true;
    View.StartStepTimer();
}

void TUpgradeSequence::Finish() {
    View.StopStepTimer();
    if (!Started) return;
    Started = false;
    Step = 0;
    if (InMonitor) {
        Dialogue.CloseMonitor();
        InMonitor = false;
    } else {
        Dialogue.LeaveMonitorMode();
    }
    Link.Clients().SetEnableMapRefresh(true);
    Model.EnableMapRefresh = true;
    Link.SwitchStatusPollingOn();
    Link.StartPeriodic();
}

// ---- Steps ----------------------------------------------------------------------------------

void TUpgradeSequence::AnimateStatusLine() {
    if (!StatusLine.startsWith(StatusText))
        StatusLine = StatusText;
    else if (StatusLine.size() > StatusText.size() + 2)
        StatusLine = StatusText;
    else
        StatusLine += QLatin1Char('.');
    View.ShowStatusLine(StatusLine);
}

void TUpgradeSequence::TimerStepTimer() {
    AnimateStatusLine();
    // A step that lets messages run (the monitor's close, a dialog) must not be run again by
    // the ticks that come meanwhile.
    if (Busy || !Started) return;
    Busy = true;
    RunStep();
    Busy = false;
}

void TUpgradeSequence::RunStep() {
    switch (Step) {
    case 1:
        SetStatusText(ResStr(SFlashCheckingRevision));
        QueueFrame(CommandBody(cmdIdentify), this, false);
        Step = 0;
        break;
    case 2:
        SetStatusText(ResStr(SFlashUploadingConfig));
        SaveConfiguration();
        Step = 0;
        break;
    case 3:
        SetStatusText(ResStr(SFlashClosingBootloader));
        Step = 0;
        Dialogue.CloseMonitor();
        Step = 4;
        break;
    case 4:
        ResetEcu();
        break;
    case 5:
        WaitForMonitor();
        break;
    case 6:
        SetStatusText(ResStr(SFlashChooseFile));
        Step = 0;
        ChooseFile();
        break;
    case 7:
        SetStatusText(ResStr(SFlashErasingMemory));
        Step = 0;
        StartFlash();
        break;
    case 8:
        SetStatusText(ResStr(SFlashFlashingFirmware));
        Step = 0;
        break;
    case 9:
        SetStatusText(ResStr(SFlashClosingBootloader));
        Step = 0;
        Dialogue.CloseMonitor();
        InMonitor = false;
        Step = 10;
        break;
    case 10:
        SetStatusText(ResStr(SFlashSensingEcu));
        QCoreApplication::processEvents();
        QueueFrame(CommandBody(cmdConnect), this, false);
        Step = 0;
        break;
    case 11:
        SetStatusText(ResStr(SFlashDownloadingConfig));
        Step = 0;
        RestoreConfiguration();
        break;
    case 12:
        View.StopStepTimer();
        Step = 0;
        View.CloseWindow();
        break;
    default:
        break;
    }
}

void TUpgradeSequence::ResetEcu() {
    // The reset is a frame: it waits until the queue takes frames again.
    if (!TXQueue || !TXQueue->Enabled()) return;
    View.StopStepTimer();
    Link.ResetLink();
    Dialogue.LeaveMonitorMode();
    SetStatusText(ResStr(SFlashResettingEcu));
    QueueFrame(CommandBody(cmdReset) + char(1), this, false);
    View.StartStepTimer();
    Step = 0;
}

void TUpgradeSequence::WaitForMonitor() {
    if (MonitorCountdown > 0) {
        --MonitorCountdown;
    } else if (MonitorCountdown != -1) {
        MonitorCountdown = -1;
        SetStatusText(ResStr(SFlashTurnEcuOffOn));
    }
    // Only what the monitor said since this wait began counts: an earlier attempt's texts would
    // send the sequence round again.
    const qsizetype since = Dialogue.MonitorTextStart();
    if (BootLog.Contains(OfferText, since)) Dialogue.SendToMonitor(QByteArray(1, TBootDialogue::Esc));
    if (BootLog.Contains(ActiveText, since)) {
        InMonitor = true;
        Step = 6;
    } else if (BootLog.Contains(StartedText, since)) {
        // The application started instead: back to frames, so that the reset can be sent again.
        Dialogue.LeaveMonitorMode();
        Step = 4;
    }
}

void TUpgradeSequence::ChooseFile() {
    const QString name = Dialogs().OpenFileName(ResStr(SFlashOpenTitle), TFirmwareFile::Filter(), QString());
    if (name.isEmpty()) {
        Step = 12;
        return;
    }
    QString error;
    if (!TFirmwareFile::Read(name, Dialogue.Lines, error)) {
        Dialogs().Tell(TMsgKind::Error, error);
        Step = 6; // the user chooses again, or cancels to close
        return;
    }
    View.ShowNewRevision(TFirmwareFile::RevisionName(name));
    Step =
        Dialogs().Ask(TMsgKind::Confirmation, ResStr(SFlashConfirmFlash), mbOK | mbCancel) == mbOK ? 7 : 12;
}

void TUpgradeSequence::StartFlash() {
    FlashThread = std::make_unique<TFlashThread>([this] { FlashProcedure(); }, nullptr, this);
}

void TUpgradeSequence::FlashProcedure() {
    const TFlashResult result = Dialogue.RunFlashProcedure();
    if (result == TFlashResult::Flashed) {
        Step = 9;
        return;
    }
    if (Dialogue.LastFailureTimedOut()) SetStatusText(ResStr(SFlashNoAnswerStatus));
    Dialogs().Tell(TMsgKind::Error,
                   ResStr(result == TFlashResult::EraseFailed ? SFlashEraseError : SFlashWriteError));
    Step = 12;
}

// ---- Configuration --------------------------------------------------------------------------

void TUpgradeSequence::SaveConfiguration() {
    for (uint8_t block = 1; block <= ConfigBlockCount; ++block) {
        if (IsBankBlock(block)) {
            QueueFrame(ReadBlockBody(block, 1), this, false);
            QueueFrame(ReadBlockBody(block, 2), this, false);
        } else {
            QueueFrame(ReadBlockBody(block, 0), this, block == ConfigBlockCount);
        }
    }
}

void TUpgradeSequence::RestoreConfiguration() {
    if (NoConfig) {
        const bool lpg = BuildVariant == KELD;
        if (Dialogs().Ask(TMsgKind::Confirmation, ResStr(lpg ? SFlashDefaultsLPG : SFlashDefaultsCNG),
                          mbYes | mbNo) == mbYes) {
            Model.ResetAll(lpg ? FuelLPG : FuelCNG);
            OperatingMode = SlaveMode;
            Model.RefreshViews();
            QueueFrame(CommandBody(cmdMode) + char(1), this, false);
            QueueFrame(CommandBody(cmdTroubleCodes) + char(2), this, false);
            QueueFrame(CommandBody(cmdCounters) + char(2), this, false);
        } else {
            Model.ReadFromGUI();
        }
        Model.ModelToRaw(Model.RawData.Image);
    }
    // A configuration read before the flash is written back from its raw image as read, so
    // that it returns byte for byte.
    for (uint8_t block = 1; block <= ConfigBlockCount; ++block) {
        if (IsBankBlock(block)) {
            QueueFrame(WriteBlockBody(Model.RawData.EncodeBlock(block, 1)), this, false);
            QueueFrame(WriteBlockBody(Model.RawData.EncodeBlock(block, 2)), this, false);
        } else {
            QueueFrame(WriteBlockBody(Model.RawData.EncodeBlock(block, Model.Bank)), this,
                       block == ConfigBlockCount);
        }
    }
}

// ---- Replies --------------------------------------------------------------------------------

void TUpgradeSequence::FrameReceived(const TFrame& Reply) {
    const uint16_t code = FrameCommand(Reply.Data);
    if (code == ReplyCode(cmdIdentify)) {
        QByteArray text = FramePayload(Reply.Data);
        const qsizetype end = text.indexOf('\0');
        if (end >= 0) text.truncate(end);
        View.ShowCurrentRevision(QString::fromLatin1(text));
        Step = 2;
    } else if (code == ReplyCode(cmdReadBlock)) {
        // The model stores the block; its success message is not wanted here.
        const bool last = Reply.Notify;
        TFrame block(Reply);
        block.Notify = false;
        Model.FrameReceived(block);
        Model.EnableMapRefresh = false;
        if (last) {
            NoConfig = false;
            Step = 4;
        }
    } else if (code == ReplyCode(cmdReset)) {
        SetStatusText(ResStr(SFlashStartingBootloader));
        Dialogue.EnterMonitorMode();
        MonitorCountdown = MonitorWaitTicks;
        Step = 5;
    } else if (code == ReplyCode(cmdConnect)) {
        Step = 11;
    } else if (code == ReplyCode(cmdWriteBlock) && Reply.Notify) {
        Link.Clients().ShowTransientMessage(ResStr(SFlashUpgradeSuccessful), 1000);
        Step = 12;
    }
}

void TUpgradeSequence::FrameDiscarded() {
    // A request the ECU refuses is dropped, and the queue drops every later one with its code:
    // the step would wait for ever without a word, so the status line says why.
    const TFrame* head = TXQueue ? TXQueue->HeadFrame() : nullptr;
    if (Started && head && head->Consumer == this && TXQueue->IsUnsupported(FrameCommand(head->Data)))
        SetStatusText(ResStr(SFlashRefusedStatus));
}

void TUpgradeSequence::FrameFailed() {
    const TFrame* head = TXQueue ? TXQueue->HeadFrame() : nullptr;
    const uint16_t code = head ? FrameCommand(head->Data) : 0;
    switch (code) {
    case cmdIdentify:
        View.ShowCurrentRevision(ResStr(SFlashBlankEcu));
        Step = 3;
        break;
    case cmdReadBlock:
        Step = 4; // flash without a saved configuration; the defaults are offered at the end
        break;
    case cmdReset:
        // The link flushes and enables its queue once this returns; the port changes mode after.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!Started) return;
                SetStatusText(ResStr(SFlashTurnEcuOffOn));
                Dialogue.EnterMonitorMode();
                Step = 5;
            },
            Qt::QueuedConnection);
        break;
    case cmdConnect:
        Step = 10;
        break;
    case cmdWriteBlock:
        SetStatusText(ResStr(SFlashNoAnswerStatus));
        break;
    default:
        break;
    }
}

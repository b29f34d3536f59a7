// The main window's commands that act on the configuration as a whole: files, the transfer with
// the ECU, the operating mode, the turbo axes, the resets, copy and paste, and the range check.
#include "app/UnitMain.h"

#include "StringIds.h"
#include "app/Constants.h"
#include "app/Settings.h"
#include "app/UserDialogs.h"
#include "config/UnitDati.h"
#include "editor/MapGridPages.h"
#include "editor/NewDrawGrid.h"
#include "editor/SettingsPages.h"
#include "link/Codec.h"
#include "link/ReplyDispatch.h"
#include "link/UnitCommunications.h"
#include "resources/Strings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

namespace {

bool LinkConnected() {
    return SerialLink && SerialLink->ECUisConnected();
}

bool Confirmed(StringId Question) {
    return Dialogs().Ask(TMsgKind::Confirmation, ResStr(Question), mbYes | mbNo) == mbYes;
}

bool IsUntitled(const QString& FileName) {
    return FileName == ResStr(SCfgUntitledFileName);
}

} // namespace

void TFormMain::ConnectCommands() {
    auto action = [this](QAction*& target, const char* name) {
        target = new QAction(this);
        target->setObjectName(QString::fromLatin1(name));
    };
    action(EditResetWater, "EditResetWater");
    action(EditResetGas, "EditResetGas");
    action(EditResetPress, "EditResetPress");

    const std::pair<QAction*, void (TFormMain::*)()> commands[] = {
        {FileOpen1, &TFormMain::FileOpen1Execute},
        {FileSave1, &TFormMain::FileSave1Execute},
        {EditMergeMaps1, &TFormMain::EditMergeMaps1Execute},
        {ECUDownload1, &TFormMain::ECUDownload1Execute},
        {ECUUpload1, &TFormMain::ECUUpload1Execute},
        {ECUReset1, &TFormMain::ECUReset1Execute},
        {ECUClearQueue, &TFormMain::ECUClearQueueExecute},
        {ECUSwitchMode1, &TFormMain::ECUSwitchMode1Execute},
        {EditResetAll, &TFormMain::EditResetAllExecute},
        {EditResetMap, &TFormMain::EditResetMapExecute},
        {EditResetWater, &TFormMain::EditResetWaterExecute},
        {EditResetGas, &TFormMain::EditResetGasExecute},
        {EditResetPress, &TFormMain::EditResetPressExecute},
        {EditEnableRangeCheck1, &TFormMain::EditEnableRangeCheck1Execute},
    };
    for (const auto& [target, command] : commands)
        connect(target, &QAction::triggered, this, command);
    // Save as tells its caller how it ended; the menu entry does not need to know.
    connect(FileSaveAs1, &QAction::triggered, this, [this] { FileSaveAs1Execute(); });

    const std::array<QAction*, 3> resets = {EditResetWater, EditResetGas, EditResetPress};
    for (size_t i = 0; i < resets.size(); ++i)
        if (QPushButton* button = MapGrids->CorrectionResetButtons[i])
            connect(button, &QPushButton::clicked, resets[i], &QAction::trigger);
    if (SettingsPages->ButtonTurbo)
        connect(SettingsPages->ButtonTurbo, &QPushButton::clicked, this, &TFormMain::ButtonTurboClick);
    // Copy and Paste reach the cells only when a map grid has the focus.
    connect(this, &TFormMain::MapCellsCopyRequested, this, &TFormMain::CopyMapCells);
    connect(this, &TFormMain::MapCellsPasteRequested, this, &TFormMain::PasteMapCells);

    DownloadFlashTimer = new QTimer(this);
    DownloadFlashTimer->setObjectName(QStringLiteral("DownloadFlashTimer"));
    DownloadFlashTimer->setInterval(500);
    connect(DownloadFlashTimer, &QTimer::timeout, this, &TFormMain::FlashDownloadButton);
    ClearDownloadPending();
}

// ---- Files ------------------------------------------------------------------------------------

QString TFormMain::FileDialogFilter() const {
    return ResStr(SConfigurationFileFilter) + QStringLiteral(";;") + ResStr(SAllFilesFilter);
}

QString TFormMain::FileFolder() {
    if (!LastDialogFolder.isEmpty()) return LastDialogFolder;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

// Where a file dialog starts: the folder of the configuration's file, else FileFolder.
QString TFormMain::DialogFolder() {
    if (DataMap && DataMap->FileName.contains(QLatin1Char('/'))) return QFileInfo(DataMap->FileName).path();
    return FileFolder();
}

void TFormMain::RememberDialogFolder(const QString& Name) {
    LastDialogFolder = QFileInfo(Name).absolutePath();
}

void TFormMain::ShowFileCaption(const QString& Name) {
    setWindowTitle(ResStr(SCfgWindowCaption).arg(ApplicationTitle(), QFileInfo(Name).fileName()));
}

// The caption as the configuration's name and saved state give it.
void TFormMain::ShowCaption() {
    if (!DataMap) return;
    QString caption =
        ResStr(SCfgWindowCaption).arg(ApplicationTitle(), QFileInfo(DataMap->FileName).fileName());
    if (!DataMap->Saved()) caption += ResStr(SCfgUnsavedMark);
    setWindowTitle(caption);
}

void TFormMain::RepaintMaps() {
    if (OperatingMode == CompensatedMode) {
        RepaintMapGrid(TMapGridId::MappaGas_Comp);
        RepaintMapGrid(TMapGridId::MappaBenzina);
    } else {
        RepaintMapGrid(TMapGridId::MappaGas_Slave);
    }
}

// After the configuration was replaced by a file: written at once to a connected ECU; otherwise
// it waits, and the Download button says so.
void TFormMain::WriteAfterReplacing() {
    if (LinkConnected())
        DataMap->DownloadAll(true);
    else
        MarkDownloadPending();
}

void TFormMain::FileOpen1Execute() {
    if (!DataMap) return;
    AskToSaveFirst();
    const QString name =
        Dialogs().OpenFileName(ResStr(SOpenConfigurationTitle), FileDialogFilter(), DialogFolder());
    if (name.isEmpty()) return;
    RememberDialogFolder(name);
    ReplaceConfigurationFrom(name);
}

void TFormMain::OpenConfigurationFile(const QString& name) {
    if (!DataMap) return;
    AskToSaveFirst();
    ReplaceConfigurationFrom(name);
}

void TFormMain::AskToSaveFirst() {
    if (!DataMap->Saved() &&
        Dialogs().Ask(TMsgKind::Confirmation, ResStr(SMsgConfigurationUnsaved), mbYes | mbNo) == mbYes)
        FileSaveAs1Execute();
}

void TFormMain::ReplaceConfigurationFrom(const QString& name) {
    DataMap->SaveUndo();
    if (!DataMap->LoadFromFile(name)) return;
    ShowFileCaption(name);
    UpdateMapColourRanges();
    RepaintMaps();
    if (OperatingMode == SlaveMode) RefreshMapCheck();
    WriteAfterReplacing();
}

void TFormMain::FileSave1Execute() {
    if (!DataMap) return;
    if (IsUntitled(DataMap->FileName)) {
        FileSaveAs1Execute();
        return;
    }
    DataMap->SaveToFile(DataMap->FileName);
}

void TFormMain::SaveAs() {
    NestedSaveAs = FileSaveAs1Execute();
}

TFormMain::TSaveAsOutcome TFormMain::FileSaveAs1Execute() {
    if (!DataMap) return TSaveAsOutcome::DialogCancelled;
    const QString before = DataMap->FileName;
    if (IsUntitled(DataMap->FileName)) {
        DataMap->ReadFromGUI();
        DataMap->MakeFileName();
    }
    const QString proposed = DataMap->FileName;
    QString start = proposed.contains(QLatin1Char('/')) ? proposed : QDir(FileFolder()).filePath(proposed);
    TSaveAsOutcome outcome = TSaveAsOutcome::DialogCancelled;
    for (;;) {
        const QString name =
            Dialogs().SaveFileName(ResStr(SSaveConfigurationTitle), FileDialogFilter(), start);
        if (name.isEmpty()) break;
        RememberDialogFolder(name);
        if (QFileInfo::exists(name) &&
            Dialogs().Ask(TMsgKind::Warning, name + ResStr(SMsgFileExists), mbYes | mbNo) != mbYes) {
            start = name;
            continue;
        }
        NestedSaveAs.reset();
        if (DataMap->SaveToFile(name))
            outcome = TSaveAsOutcome::Saved;
        else
            // A refused version question leads to a Save as of its own, which may have saved.
            outcome =
                NestedSaveAs == TSaveAsOutcome::Saved ? TSaveAsOutcome::Saved : TSaveAsOutcome::NotSaved;
        NestedSaveAs.reset();
        break;
    }
    // Nothing saved: the name built for the dialog goes again, so the configuration is never
    // shown under a file that does not hold it.
    if (outcome != TSaveAsOutcome::Saved && DataMap->FileName == proposed) DataMap->FileName = before;
    ShowCaption();
    return outcome;
}

void TFormMain::EditMergeMaps1Execute() {
    if (!DataMap) return;
    const QString name = Dialogs().OpenFileName(QString(), FileDialogFilter(), DialogFolder());
    if (name.isEmpty()) return;
    RememberDialogFolder(name);
    DataMap->SaveUndo();
    if (!DataMap->MergeMapsFromFile(name)) return;
    UpdateMapColourRanges();
    RepaintMaps();
    if (OperatingMode == SlaveMode) RefreshMapCheck();
    WriteAfterReplacing();
}

// ---- The ECU ----------------------------------------------------------------------------------

void TFormMain::ECUDownload1Execute() {
    if (!DataMap) return;
    DataMap->DownloadAll(true);
    ClearDownloadPending();
}

void TFormMain::ECUUpload1Execute() {
    if (!DataMap) return;
    DataMap->UploadAll(true);
    ClearDownloadPending();
}

void TFormMain::ECUReset1Execute() {
    if (Confirmed(SMsgResetEcuSure) && SerialLink) SerialLink->ResetECU();
}

void TFormMain::ECUClearQueueExecute() {
    if (SerialLink) SerialLink->ResetLink();
}

void TFormMain::MarkDownloadPending() {
    FDownloadPending = true;
    ButtonDownload->setDown(true);
    DownloadFlashOn = true;
    FlashDownloadButton();
    DownloadFlashTimer->start();
}

void TFormMain::ClearDownloadPending() {
    FDownloadPending = false;
    DownloadFlashTimer->stop();
    ButtonDownload->setDown(false);
    ButtonDownload->setAutoRaise(true);
    ButtonDownload->setStyleSheet(QStringLiteral("QToolButton:pressed { color: lime; }"));
}

// One step of the pending Download button: pressed, without its bevel, its red text blinking.
void TFormMain::FlashDownloadButton() {
    if (!FDownloadPending) return;
    ButtonDownload->setDown(true);
    ButtonDownload->setAutoRaise(false);
    ButtonDownload->setStyleSheet(DownloadFlashOn
                                      ? QStringLiteral("QToolButton { color: red; border: none; }")
                                      : QStringLiteral("QToolButton { color: transparent; border: none; }"));
    DownloadFlashOn = !DownloadFlashOn;
}

void TFormMain::EcuConnected() {
    if (!DataMap) return;
    if (!FDownloadPending) {
        DataMap->UploadAll(false);
        return;
    }
    // The ECU's replies must not overwrite the tool's configuration while the user decides, and
    // its mode reply must not change the mode the configuration is written in.
    DataMap->EnableMapRefresh = false;
    const uint8_t toolMode = OperatingMode;
    QTimer::singleShot(0, this, [this, toolMode] {
        if (!DataMap || !LinkConnected()) return;
        if (Dialogs().Ask(TMsgKind::Confirmation, ResStr(SMsgWritePendingConfiguration), mbYes | mbNo) ==
            mbYes) {
            if (OperatingMode != toolMode) {
                OperatingMode = toolMode;
                ApplyOperatingMode();
            }
            DataMap->DownloadAll(true);
            ClearDownloadPending();
        } else {
            // Undo brings the tool's configuration back.
            DataMap->SaveUndo();
            DataMap->UploadAll(false);
        }
    });
}

// ---- Operating mode ---------------------------------------------------------------------------

void TFormMain::SendOperatingMode(uint8_t Mode, bool Notify) {
    SendCommand(CommandBody(cmdMode) + char(Mode == CompensatedMode ? 2 : 1), this, Notify);
}

void TFormMain::ECUSwitchMode1Execute() {
    if (!DataMap) return;
    const bool slave = OperatingMode == SlaveMode;
    if (!Confirmed(slave ? SMsgSwitchToCompensated : SMsgSwitchToSlave)) return;
    const uint8_t other = slave ? CompensatedMode : SlaveMode;
    SendOperatingMode(other, true);
    // A connected ECU answers, and its reply completes the switch.
    if (LinkConnected()) return;
    OperatingMode = other;
    DataMap->SetLambdaControlDefaults(other);
    DataMap->SetAdaptiveDefaults(other);
    DataMap->RefreshViews();
    ApplyOperatingMode();
}

void TFormMain::FrameReceived(const TFrame& Reply) {
    if (FrameCommand(Reply.Data) != ReplyCode(cmdMode)) return;
    const QByteArray payload = FramePayload(Reply.Data);
    const int first = payload.isEmpty() ? -1 : uint8_t(payload[0]);
    if (first == 1) OperatingMode = SlaveMode;
    if (first == 2) OperatingMode = CompensatedMode;
    if (Reply.Notify && DataMap) {
        DataMap->SetLambdaControlDefaults(OperatingMode);
        DataMap->SetAdaptiveDefaults(OperatingMode);
        DataMap->RefreshViews();
        for (uint8_t block : {5, 2, 9})
            DataMap->DownloadBlock(block);
        if (SerialLink) SerialLink->QueryMode();
    }
    ApplyOperatingMode();
}

// ---- Turbo ------------------------------------------------------------------------------------

void TFormMain::ButtonTurboClick() {
    QPushButton* button = SettingsPages->ButtonTurbo;
    if (!DataMap || !button) return;
    const bool turbo = button->isChecked();
    const bool slave = OperatingMode == SlaveMode;
    const StringId question = turbo ? (slave ? SMsgTurboSetSlave : SMsgTurboSetCompensated)
                                    : (slave ? SMsgTurboResetSlave : SMsgTurboResetCompensated);
    switch (Dialogs().Ask(TMsgKind::Confirmation, ResStr(question), mbYes | mbNo | mbCancel)) {
    case mbYes:
        break;
    case mbNo:
        // The next redisplay shows the button from the MAP axis again.
        return;
    default:
        button->setChecked(!turbo);
        return;
    }
    DataMap->SetDefaultAxes(turbo);
    DataMap->SetAdaptiveDefaults(OperatingMode);
    DataMap->RefreshViews();
    if (LinkConnected())
        for (uint8_t block : {4, 8, 9})
            DataMap->DownloadBlock(block);
}

// ---- Resets -----------------------------------------------------------------------------------

void TFormMain::EditResetAllExecute() {
    if (!DataMap) return;
    const bool cng = DataMap->Fuel == FuelCNG;
    const StringId question = OperatingMode == SlaveMode
                                  ? (cng ? SMsgResetAllSlaveCNG : SMsgResetAllSlaveLPG)
                                  : (cng ? SMsgResetAllCompensatedCNG : SMsgResetAllCompensatedLPG);
    if (!Confirmed(question)) return;
    DataMap->ResetAll(DataMap->Fuel);
    DataMap->SetSaved(true);
    DataMap->RefreshViews();
    UpdateMapColourRanges();
    RepaintMaps();
    DataMap->DownloadAll(true);
    // Writes queued while unplugged go with the queue when the ECU connects.
    if (!LinkConnected()) MarkDownloadPending();
}

void TFormMain::EditResetMapExecute() {
    if (!DataMap) return;
    if (OperatingMode == SlaveMode) ShowPage(PageGasMapSlave);
    if (!Confirmed(DataMap->Fuel == FuelCNG ? SMsgResetSlaveMapCNG : SMsgResetSlaveMapLPG)) return;
    DataMap->SetDefaultSlaveMaps(DataMap->Fuel);
    UpdateMapColourRanges();
    RepaintMapGrid(TMapGridId::MappaGas_Slave);
    DataMap->DownloadBlock(8);
    if (!LinkConnected()) MarkDownloadPending();
}

void TFormMain::EditResetWaterExecute() {
    if (!DataMap) return;
    ShowPage(PageCorrection);
    if (!Confirmed(SMsgResetWaterCorrection)) return;
    DataMap->SetWaterCorrectionDefaults();
    MapGrids->MappaPressRedTemp->update();
    DataMap->DownloadBlock(6);
    if (!LinkConnected()) MarkDownloadPending();
}

void TFormMain::EditResetGasExecute() {
    if (!DataMap) return;
    ShowPage(PageCorrection);
    if (!Confirmed(SMsgResetGasTempCorrection)) return;
    DataMap->SetGasTempCorrectionDefaults();
    MapGrids->MappaGasTemp->update();
    DataMap->DownloadBlock(6);
    if (!LinkConnected()) MarkDownloadPending();
}

void TFormMain::EditResetPressExecute() {
    if (!DataMap) return;
    ShowPage(PageCorrection);
    // By ReducerType; a reducer without a default table has nothing to reset to.
    static constexpr StringId questions[] = {SMsgResetPressureCNGStd, SMsgResetPressureLPGStd,
                                             SMsgResetPressureLPGMP, SMsgResetPressureLPGHP};
    const int reducer = DataMap->ReducerType;
    if (reducer < 0 || reducer >= int(std::size(questions))) return;
    if (!Confirmed(questions[reducer])) return;
    DataMap->SetPressureCorrectionDefaults();
    MapGrids->MappaGasPress->update();
    DataMap->DownloadBlock(6);
    if (!LinkConnected()) MarkDownloadPending();
}

// ---- Copy and paste ---------------------------------------------------------------------------

// The table and the cells that Copy and Paste act on: those selected in the focused map grid.
// False when no map grid has the focus or the selection holds fewer than two cells.
bool TFormMain::ActiveGridRange(TNewDrawGrid*& Grid, TMapTypeOfData& Kind, int& Top, int& Left, int& Bottom,
                                int& Right) {
    Grid = nullptr;
    for (int i = 0; i < TMapGridPages::GridCount; ++i)
        if (QApplication::focusWidget() &&
            QApplication::focusWidget() == MapGrids->Grid(TMapGridPages::TGrid(i)))
            Grid = MapGrids->Grid(TMapGridPages::TGrid(i));
    if (!Grid) return false;
    const TGridRect selection = Grid->Selection();
    Top = selection.Top;
    Bottom = selection.Bottom;
    Left = selection.Left;
    Right = selection.Right;
    // A table's cells start at index 1 in its first column.
    if (!Grid->RowHeader) {
        ++Left;
        ++Right;
    }
    if (Grid->RowHeader && Left == 0) {
        Kind = Grid->DataTypeRowHeader;
        Left = Top;
        Right = Bottom;
        Top = Bottom = 0;
    } else if (Top != 0) {
        Kind = Grid->DataTypeMap;
    } else if (Grid->ColHeaderEditable) {
        Kind = Grid->DataTypeColHeader;
        Top = Bottom = 0;
    } else {
        Left = Right = Top = Bottom = 0;
    }
    if (DataMap && DataMap->Bank == 2) {
        if (Kind == TMapTypeOfData::TempiGas_Slave_banco1) Kind = TMapTypeOfData::TempiGas_Slave_banco2;
        if (Kind == TMapTypeOfData::TempiGas_Comp_banco1) Kind = TMapTypeOfData::TempiGas_Comp_banco2;
    }
    return Bottom - Top > 0 || Right - Left > 0;
}

void TFormMain::CopyMapCells() {
    TNewDrawGrid* grid = nullptr;
    TMapTypeOfData kind{};
    int top = 0, left = 0, bottom = 0, right = 0;
    if (!DataMap || !ActiveGridRange(grid, kind, top, left, bottom, right)) return;
    DataMap->GridClipboard.CopyFrom(kind, top, left, bottom, right);
}

void TFormMain::PasteMapCells() {
    TNewDrawGrid* grid = nullptr;
    TMapTypeOfData kind{};
    int top = 0, left = 0, bottom = 0, right = 0;
    if (!DataMap || !ActiveGridRange(grid, kind, top, left, bottom, right)) return;
    DataMap->EnableMapRefresh = false;
    DataMap->GridClipboard.PasteInto(kind, top, left, bottom, right);
    // The block that holds the pasted table, whatever it is: axes and small tables included.
    DataMap->DownloadForKind(kind);
    UpdateMapColourRanges();
    grid->update();
    if (grid == MapGrids->MappaGas_Slave) RefreshMapCheck();
    using K = TMapTypeOfData;
    const bool gasMap = kind == K::TempiGas_Slave_banco1 || kind == K::TempiGas_Slave_banco2 ||
                        kind == K::TempiGas_Comp_banco1 || kind == K::TempiGas_Comp_banco2;
    if (gasMap && DataMap->LambdaProbes == 2) {
        const int other = DataMap->Bank == 2 ? 1 : 2;
        Dialogs().Tell(TMsgKind::Information, ResStr(SMsgBankWord) + QLatin1Char(' ') +
                                                  QString::number(other) + QLatin1Char(' ') +
                                                  ResStr(SMsgBankNotChanged));
    }
}

// ---- Range checking ---------------------------------------------------------------------------

void TFormMain::EditEnableRangeCheck1Execute() {
    // The menu entry has already toggled its mark.
    const bool on = EditEnableRangeCheck1->isChecked();
    if (DataMap) DataMap->EnableCheckRanges = on;
    WriteSetting(QStringLiteral("RANGE_CHECK"), on ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
}

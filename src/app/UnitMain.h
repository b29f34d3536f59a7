#pragma once

#include "config/DataMapViews.h"
#include "config/MapTypes.h"
#include "link/Frames.h"
#include "windows/GuiHost.h"

#include <QMainWindow>
#include <QRect>
#include <array>
#include <cstdint>
#include <optional>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QTabWidget;
class QTimer;
class QToolButton;
class TNewDrawGrid;

class TMapGridPages;
class TNewDrawGrid;
class TSettingsPages;
class TStatusPanel;

class QChart;
class QChartView;

// The main window: menu bar, tool bar, the eight pages of the configuration, the bottom panel
// with the status panel and the lambda chart, and the status bar. It owns the 40 ms TimerGUI
// that drives the short animations of the small windows, and it takes the program down in a
// safe order when the user quits.
//
// The pages, the status panel and the commands are filled in by the editor and live-data
// subsystems; this class gives them the controls and the places to hook into.
class TFormMain : public QMainWindow, public TMainView, public TGuiHost, public TConsumerInterface {
    Q_OBJECT
public:
    // Index order of PageControlGeneral.
    enum TPage : int {
        PageGeneral = 0,
        PageFunctions = 1,
        PagePetrolMap = 2,
        PageGasMapComp = 3,
        PageGasMapSlave = 4,
        PageLambda = 5,
        PageCorrection = 6,
        PageDrivability = 7,
        PageCount = 8
    };

    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // StatusBar1's two panels: 0 the link state, 1 the engine state.
    void SetStatusText(int panel, const QString& text) override;
    QString StatusText(int panel) const;

    // Gives the COM entries of the ECU menu the detected port names and checks the one in use.
    void RefreshComMenu();
    // Fills every caption of the window from the resource strings; run at creation and after a
    // language switch.
    void ApplyCaptions();
    // The language switch: loads the language module of localeId beside the program and gives
    // every window its captions again. Without a module nothing changes.
    void SwitchLanguage(int localeId);
    // Copy and Paste: the text of the edit box with the focus, or the cells of the map grid with
    // the focus (MapCellsCopyRequested, MapCellsPasteRequested); nothing otherwise.
    void EditCopy1Execute();
    void EditPaste1Execute();
    // The flasher window's command that ends the ECU's boot monitor.
    void ECUExitMonitor1Execute();
    // Shows the pages and commands of the current operating mode and redisplays everything.
    void ApplyOperatingMode();
    // Fills the page controls from the configuration model.
    void ShowConfiguration();
    // The status panel and the lambda chart.
    void ShowStatus();
    void ShowStatusLayout();
    void AddLambdaChartPoint();
    void ClearLambdaChart();
    // The working-point markers of the map grids.
    void UpdateWorkingPoint();
    // The range hint over the focused numeric field (RangeHintCountdown expired).
    void ShowRangeHint();
    // The power-mode button held for PowerButtonCountdown ticks.
    void PowerButtonLongPress();

    // "Save as": also what the close query runs when the user wants to save first.
    // How a "Save as" ended: the dialog cancelled, the configuration saved, or a save tried
    // that failed or was refused.
    enum class TSaveAsOutcome { DialogCancelled, Saved, NotSaved };
    TSaveAsOutcome FileSaveAs1Execute();

    // ---- File and ECU commands (MainCommands.cpp) ----
    void FileOpen1Execute();
    void FileSave1Execute();
    void EditMergeMaps1Execute();
    void ECUDownload1Execute();
    void ECUUpload1Execute();
    void ECUReset1Execute();
    void ECUClearQueueExecute();
    void ECUSwitchMode1Execute();
    void ButtonTurboClick();
    void EditResetAllExecute();
    void EditResetMapExecute();
    void EditResetWaterExecute();
    void EditResetGasExecute();
    void EditResetPressExecute();
    // The cells of the map grid with the focus to and from the grid clipboard.
    void CopyMapCells();
    void PasteMapCells();
    void EditEnableRangeCheck1Execute();
    // The mode command; its reply comes back to this window (FrameReceived).
    void SendOperatingMode(uint8_t Mode, bool Notify);
    // The Download button shows that the configuration in the tool has not reached the ECU.
    void MarkDownloadPending();
    void ClearDownloadPending() override;
    bool DownloadPending() const { return FDownloadPending; }
    // The ECU has just become connected: its configuration is read, unless the tool's own has
    // not been written yet and the user wants it written instead.
    void EcuConnected();
    // Opens a configuration file as File > Open does once its file is chosen, with its questions.
    void OpenConfigurationFile(const QString& name);
    // The backups window, and the compare window for a file ("" asks for one).
    void FileBackups1Execute();
    void EditCompare1Execute(const QString& name = QString());
    // A backup that could not be written, in the status bar until the next one is.
    void ShowBackupFailure(const QString& text);
    QLabel* StatusBackup = nullptr;
    // Status polling, map refresh and the link's periodic duties on or off.
    void DiagnosticsEnableStatusUpdate1Execute();
    void DiagnosticsDisableStatusUpdate1Execute();

    // TMainView: what the configuration model asks of the window.
    void RefreshPages() override { ShowConfiguration(); }
    void RefreshStatusControls() override { ShowStatus(); }
    void SetCaption(const QString& caption) override { setWindowTitle(caption); }
    void SetUndoEnabled(bool enabled) override;
    int ActivePage() override;
    void RefreshStatusPanel() override { ShowStatus(); }
    void ShowTransientMessage(const QString& text, int milliseconds) override;
    void ShowOperatingModePages() override { ApplyOperatingMode(); }
    void ShowGasMapPage() override { ShowPage(GasMapPage()); }
    void SaveAs() override;
    QString FileFolder() override;
    TConsumerInterface* ModeReplyConsumer() override { return this; }

    // TConsumerInterface: the replies to the mode command.
    void FrameReceived(const TFrame& Reply) override;
    void FrameDiscarded() override {}
    void FrameFailed() override {}
    void UpdateColourRanges() override;
    void RefreshMapCheck() override;
    void RepaintMapGrid(TMapGridId grid) override;
    void BankSwitched() override;
    bool ReadSettingEditors(TSettingEditors& editors) override;
    bool ReadDateEditors(TDateEditors& date) override;
    bool NumericEditorState(const QObject* sender, TNumericEditorState& state) override;
    bool SpeedEditorValue(TSpeedEditor editor, int& value) override;
    void SetSpeedEditorValue(TSpeedEditor editor, int value) override;

    // The maps' colour ranges follow their cells (after every change of the maps, and of bank).
    void UpdateMapColourRanges();
    // Restores the undo snapshot; there is one level of undo.
    void EditUndo1Execute();

    // Events of the window's life. FormCreate runs in the constructor; FormShow when the window is
    // shown; FormCloseQuery and FormClose when the user closes it.
    void FormShow();
    void FormCloseQuery(bool& CanClose);
    void FormClose();
    void TimerGUITimer();

    // Where the lambda chart is on the screen: the glowing label covers it.
    QRect LambdaChartScreenRect() const override;

    // ---- TGuiHost: what the other windows need of this one ----
    int ScreenScale() const override { return ScalePercent; }
    void SetCountdown(TGuiCountdown countdown, int ticks) override;
    QRect NoticeArea() const override;
    void ReturnFocus() override { activateWindow(); }
    TComMenuActions ComMenu() override;
    // The gas-map page of the current operating mode.
    int GasMapPage() const;

    int ScalePercent = 100;
    bool GUIUpdating = true;

    // TimerGUI's countdowns, in 40 ms ticks, -1 when idle. A positive value counts down; at 0 the
    // handler runs on every tick until it sets -1 or reloads the countdown.
    int32_t SplashCountdown = -1;
    int32_t RangeHintCountdown = -1;
    int32_t PowerButtonCountdown = -1;
    int32_t DialogCountdown = -1;
    int32_t GlowCountdown = -1;
    int32_t PinOutCountdown = -1;

    // ---- Menus and actions ----
    QMenu* MenuFile = nullptr;
    QMenu* MenuLanguage = nullptr;
    QMenu* MenuEdit = nullptr;
    QMenu* MenuECU = nullptr;
    QMenu* MenuDiagnostics = nullptr;
    QMenu* MenuWindow = nullptr;
    QMenu* MenuHelp = nullptr;

    QAction* FileOpen1 = nullptr;
    QAction* FileSave1 = nullptr;
    QAction* FileSaveAs1 = nullptr;
    QAction* FileBackups1 = nullptr;
    QAction* LanguageGerman1 = nullptr;
    QAction* LanguageEnglish1 = nullptr;
    QAction* LanguageSpanish1 = nullptr;
    QAction* LanguageFrench1 = nullptr;
    QAction* LanguageItalian1 = nullptr;
    QAction* LanguagePolish1 = nullptr;
    QAction* FileExit1 = nullptr;

    QAction* EditTuneMap1 = nullptr;
    QAction* EditAutoadaptiveParams = nullptr;
    QAction* EditCopy1 = nullptr;
    QAction* EditPaste1 = nullptr;
    QAction* EditUndo1 = nullptr;
    QAction* EditResetAll = nullptr;
    QAction* EditResetMap = nullptr;
    QAction* EditMergeMaps1 = nullptr;
    QAction* EditCompare1 = nullptr;
    QAction* EditEnableRangeCheck1 = nullptr;
    // The Correction page's "Reset" buttons run these; they are in no menu.
    QAction* EditResetWater = nullptr;
    QAction* EditResetGas = nullptr;
    QAction* EditResetPress = nullptr;

    QAction* ECUUpload1 = nullptr;
    QAction* ECUDownload1 = nullptr;
    QAction* ECUReset1 = nullptr;
    QAction* ECUClearQueue = nullptr;
    QAction* ECUUpgradeFirmware1 = nullptr;
    QAction* ECUExitMonitor1 = nullptr;
    QAction* ECUSwitchMode1 = nullptr;
    std::array<QAction*, 6> ComActions{};
    QAction* ECUScanCOM = nullptr;

    QAction* DiagnosticsDisplay1 = nullptr;
    QAction* DiagnosticsCheckMap = nullptr;
    QAction* DiagnosticsCheckNozzles = nullptr;
    QAction* DiagnosticsDTC1 = nullptr;
    QAction* DiagnosticsVersionInfo1 = nullptr;
    QAction* DiagnosticsLog1 = nullptr;
    QAction* DiagnosticsEnableStatusUpdate1 = nullptr;
    QAction* DiagnosticsDisableStatusUpdate1 = nullptr;

    QAction* WindowGeneral1 = nullptr;
    QAction* WindowSetUp1 = nullptr;
    QAction* WindowGasolineMap1 = nullptr;
    QAction* WindowMap1 = nullptr;
    QAction* WindowEmissions1 = nullptr;
    QAction* WindowCorrections1 = nullptr;
    QAction* WindowFineTune1 = nullptr;

    QAction* HelpPinOut = nullptr;
    QAction* HelpInfo1 = nullptr;

    // ---- Tool bar ----
    QFrame* ToolBar1 = nullptr;
    QToolButton* ButtonLoad = nullptr;
    QToolButton* ButtonSave = nullptr;
    QToolButton* ButtonUndo = nullptr;
    QToolButton* ButtonDisplay = nullptr;
    QToolButton* ButtonUpload = nullptr;
    QToolButton* ButtonDownload = nullptr;
    QToolButton* ButtonBank = nullptr;

    // ---- Pages, bottom panel, status bar ----
    QTabWidget* PageControlGeneral = nullptr;
    std::array<QWidget*, PageCount> Pages{};
    QFrame* PanelBottom = nullptr;
    QFrame* PanelStatus = nullptr;
    QChartView* StatusLambdaChart = nullptr;
    QChart* LambdaChart = nullptr;
    // The nine map grids on their pages.
    TMapGridPages* MapGrids = nullptr;
    // The controls of the settings pages, their handlers and rules.
    TSettingsPages* SettingsPages = nullptr;
    // The status panel's fields, the live lamps on the pages and the lambda chart's series.
    TStatusPanel* StatusPanel = nullptr;

    QTimer* TimerGUI = nullptr;

signals:
    // Copy or Paste chosen while this map grid has the focus: the map-cell commands run on it.
    void MapCellsCopyRequested(TNewDrawGrid* grid);
    void MapCellsPasteRequested(TNewDrawGrid* grid);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreatePages();
    void CreateBottomPanel();
    void CreateStatusBar();
    // Wires the file and ECU commands to their actions and buttons (MainCommands.cpp).
    void ConnectCommands();
    void FormCreate();
    void ShowPage(int index);

    // Parts of the commands.
    void RepaintMaps();
    void ShowFileCaption(const QString& Name);
    void ShowCaption();
    QString FileDialogFilter() const;
    QString DialogFolder();
    void RememberDialogFolder(const QString& Name);
    void WriteAfterReplacing();
    // Open's unsaved question, and what Open does once the file is chosen.
    void AskToSaveFirst();
    void ReplaceConfigurationFrom(const QString& Name);
    bool ActiveGridRange(TNewDrawGrid*& Grid, TMapTypeOfData& Kind, int& Top, int& Left, int& Bottom,
                         int& Right);
    void FlashDownloadButton();

    std::array<QLabel*, 2> StatusPanels{};
    bool Closing = false;
    bool FDownloadPending = false;
    bool DownloadFlashOn = false;
    QTimer* DownloadFlashTimer = nullptr;
    // The folder of the last file dialog; empty until one was used.
    QString LastDialogFolder;
    // Set by a Save as that a refused version question started inside a save.
    std::optional<TSaveAsOutcome> NestedSaveAs;
};

extern TFormMain* FormMain;

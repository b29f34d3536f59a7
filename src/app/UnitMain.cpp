#include "app/UnitMain.h"

#include "StringIds.h"
#include "app/Constants.h"
#include "resources/Strings.h"
#include "app/ToolBarIcons.h"
#include "app/UserDialogs.h"
#include "windows/WindowScaling.h"
#include "calibration/UnitAutoAdaptiveParams.h"
#include "calibration/UnitAutotuningKeld.h"
#include "calibration/UnitIndiciQualita.h"
#include "calibration/UnitMapCheck.h"
#include "config/UnitDati.h"
#include "diagnostics/UnitDiagnostics.h"
#include "diagnostics/UnitPinOut.h"
#include "editor/MapGridPages.h"
#include "editor/NewDrawGrid.h"
#include "editor/SettingsPages.h"
#include "editor/UnitBackups.h"
#include "editor/UnitCompare.h"
#include "editor/UnitModifyData.h"
#include "config/ConfigBackups.h"
#include "link/SerialLink.h"
#include "flasher/UnitFirmwareUpgrade.h"
#include "link/Frames.h"
#include "link/UnitCommunications.h"
#include "live/UnitAcquisitionPanel.h"
#include "live/UnitAcquisizioni.h"
#include "windows/UnitDialog.h"
#include "windows/UnitGlowingLabel.h"
#include "live/StatusPanel.h"
#include "windows/UnitSplash.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>

TFormMain* FormMain = nullptr;

namespace {

// One tick of a TimerGUI countdown.
template <typename Handler> void RunCountdown(int32_t& countdown, Handler handler) {
    if (countdown > 0)
        --countdown;
    else if (countdown != -1)
        handler();
}

void ShowWindow(QWidget* window) {
    if (!window) return;
    window->show();
    window->raise();
    window->activateWindow();
}

bool CompensatedModeShown() {
    return OperatingMode == CompensatedMode;
}

// Copy or paste in box, when there is one. A read-only box takes no paste, and the keys still
// belong to it.
template <typename Box> bool CopyOrPasteIn(Box* box, bool paste) {
    if (!box) return false;
    if (!paste)
        box->copy();
    else if (!box->isReadOnly())
        box->paste();
    return true;
}

// Copy or paste in the text box that has the focus (a line edit, the edit of a spin box or of an
// editable list, a text area). False when the focus is not on one.
bool CopyOrPasteFocusedText(bool paste) {
    QWidget* focus = QApplication::focusWidget();
    QLineEdit* line = qobject_cast<QLineEdit*>(focus);
    if (!line) {
        if (auto* combo = qobject_cast<QComboBox*>(focus))
            line = combo->lineEdit();
        else if (auto* spin = qobject_cast<QAbstractSpinBox*>(focus))
            line = spin->findChild<QLineEdit*>();
    }
    return CopyOrPasteIn(line, paste) || CopyOrPasteIn(qobject_cast<QPlainTextEdit*>(focus), paste) ||
           CopyOrPasteIn(qobject_cast<QTextEdit*>(focus), paste);
}

} // namespace

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("FormMain"));
    FormMain = this;
    setWindowTitle(ResStr(SMainCaption));

    CreateActions();
    CreateMenus();

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("PanelMain"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);
    CreateToolBar();
    CreatePages();
    CreateBottomPanel();
    layout->addWidget(ToolBar1);
    layout->addWidget(PageControlGeneral, 1);
    layout->addWidget(PanelBottom);
    CreateStatusBar();
    ConnectCommands();

    TimerGUI = new QTimer(this);
    TimerGUI->setObjectName(QStringLiteral("TimerGUI"));
    TimerGUI->setInterval(40);
    connect(TimerGUI, &QTimer::timeout, this, &TFormMain::TimerGUITimer);

    FormCreate();
}

TFormMain::~TFormMain() {
    // Released without its close sequence (a test, or the program's end after an error): the
    // link still goes down before the objects its queue may name as consumers.
    if (SerialLink) SerialLink->Dismantle();
    delete Acquisitions;
    Acquisitions = nullptr;
    if (DataMap) DataMap->MainView = nullptr;
    delete DataMap;
    DataMap = nullptr;
    if (FormMain == this) FormMain = nullptr;
}

// ---- Building the window ------------------------------------------------------------------

void TFormMain::CreateActions() {
    auto make = [this](QAction*& action, const char* name, QKeySequence shortcut = {}) {
        action = new QAction(this);
        action->setObjectName(QString::fromLatin1(name));
        if (!shortcut.isEmpty()) action->setShortcut(shortcut);
        return action;
    };
    make(FileOpen1, "FileOpen1", Qt::Key_F2);
    make(FileSave1, "FileSave1", Qt::Key_F3);
    make(FileSaveAs1, "FileSaveAs1");
    make(FileBackups1, "FileBackups1");
    make(LanguageGerman1, "LanguageGerman1");
    make(LanguageEnglish1, "LanguageEnglish1");
    make(LanguageSpanish1, "LanguageSpanish1");
    make(LanguageFrench1, "LanguageFrench1");
    make(LanguageItalian1, "LanguageItalian1");
    make(LanguagePolish1, "LanguagePolish1");
    make(FileExit1, "FileExit1", QKeySequence(Qt::ALT | Qt::Key_F4));

    make(EditTuneMap1, "EditTuneMap1", Qt::Key_F5);
    make(EditAutoadaptiveParams, "EditAutoadaptiveParams");
    make(EditCopy1, "EditCopy1", QKeySequence(Qt::CTRL | Qt::Key_C));
    make(EditPaste1, "EditPaste1", QKeySequence(Qt::CTRL | Qt::Key_V));
    make(EditUndo1, "EditUndo1", QKeySequence(Qt::CTRL | Qt::Key_Z));
    make(EditResetAll, "EditResetAll");
    make(EditResetMap, "EditResetMap");
    make(EditMergeMaps1, "EditMergeMaps1");
    make(EditCompare1, "EditCompare1");
    make(EditEnableRangeCheck1, "EditEnableRangeCheck1")->setCheckable(true);

    make(ECUUpload1, "ECUUpload1");
    make(ECUDownload1, "ECUDownload1");
    make(ECUReset1, "ECUReset1");
    make(ECUClearQueue, "ECUClearQueue");
    make(ECUUpgradeFirmware1, "ECUUpgradeFirmware1", Qt::Key_F9);
    make(ECUExitMonitor1, "ECUExitMonitor1");
    make(ECUSwitchMode1, "ECUSwitchMode1");
    for (size_t i = 0; i < ComActions.size(); ++i) {
        QAction* action = new QAction(this);
        action->setObjectName(QStringLiteral("ECUCom%1").arg(i + 1));
        action->setCheckable(true);
        action->setVisible(false);
        ComActions[i] = action;
    }
    make(ECUScanCOM, "ECUScanCOM")->setCheckable(true);

    make(DiagnosticsDisplay1, "DiagnosticsDisplay1", Qt::Key_F8);
    make(DiagnosticsCheckMap, "DiagnosticsCheckMap");
    make(DiagnosticsCheckNozzles, "DiagnosticsCheckNozzles", Qt::Key_F6);
    make(DiagnosticsDTC1, "DiagnosticsDTC1", Qt::Key_F7);
    make(DiagnosticsVersionInfo1, "DiagnosticsVersionInfo1");
    make(DiagnosticsLog1, "DiagnosticsLog1", Qt::Key_F12);
    make(DiagnosticsEnableStatusUpdate1, "DiagnosticsEnableStatusUpdate1");
    make(DiagnosticsDisableStatusUpdate1, "DiagnosticsDisableStatusUpdate1")->setEnabled(false);

    make(WindowGeneral1, "WindowGeneral1");
    make(WindowSetUp1, "WindowSetUp1");
    make(WindowGasolineMap1, "WindowGasolineMap1");
    make(WindowMap1, "WindowMap1");
    make(WindowEmissions1, "WindowEmissions1");
    make(WindowCorrections1, "WindowCorrections1");
    make(WindowFineTune1, "WindowFineTune1");

    make(HelpPinOut, "HelpPinOut", Qt::Key_F1);
    make(HelpInfo1, "HelpInfo1");

    // The language entries carry their own names whatever the language in use.
    LanguageGerman1->setText(ResStr(SLanguageGerman));
    LanguageEnglish1->setText(ResStr(SLanguageEnglish));
    LanguageSpanish1->setText(ResStr(SLanguageSpanish));
    LanguageFrench1->setText(ResStr(SLanguageFrench));
    LanguageItalian1->setText(ResStr(SLanguageItalian));
    LanguagePolish1->setText(ResStr(SLanguagePolish));

    const std::pair<QAction*, int> languages[] = {
        {LanguageEnglish1, 9}, {LanguageItalian1, 1040}, {LanguagePolish1, 21}};
    for (const auto& [action, localeId] : languages)
        connect(action, &QAction::triggered, this, [this, id = localeId] { SwitchLanguage(id); });

    connect(EditCopy1, &QAction::triggered, this, &TFormMain::EditCopy1Execute);
    connect(EditPaste1, &QAction::triggered, this, &TFormMain::EditPaste1Execute);
    connect(ECUExitMonitor1, &QAction::triggered, this, &TFormMain::ECUExitMonitor1Execute);
    connect(FileBackups1, &QAction::triggered, this, &TFormMain::FileBackups1Execute);
    connect(EditCompare1, &QAction::triggered, this, [this] { EditCompare1Execute(); });
    connect(EditUndo1, &QAction::triggered, this, &TFormMain::EditUndo1Execute);
    connect(FileExit1, &QAction::triggered, this, &QWidget::close);

    connect(EditTuneMap1, &QAction::triggered, this, [] { ShowWindow(FormAutotuningKeld); });
    connect(EditAutoadaptiveParams, &QAction::triggered, this, [] { ShowWindow(FormAutoAdaptiveParams); });
    connect(DiagnosticsCheckMap, &QAction::triggered, this, [] { ShowWindow(FormMapCheck); });
    connect(DiagnosticsCheckNozzles, &QAction::triggered, this, [] { ShowWindow(FormIndiciQualita); });
    connect(DiagnosticsDTC1, &QAction::triggered, this, [] { ShowWindow(FormDiagnostics); });
    connect(DiagnosticsDisplay1, &QAction::triggered, this, [] {
        if (FormAcquisitionPanel) FormAcquisitionPanel->exec();
    });
    connect(DiagnosticsLog1, &QAction::triggered, this, [] { ShowWindow(FormCommunications); });
    connect(DiagnosticsVersionInfo1, &QAction::triggered, this, [] {
        if (SerialLink) SerialLink->RequestIdentity();
    });
    connect(DiagnosticsEnableStatusUpdate1, &QAction::triggered, this,
            &TFormMain::DiagnosticsEnableStatusUpdate1Execute);
    connect(DiagnosticsDisableStatusUpdate1, &QAction::triggered, this,
            &TFormMain::DiagnosticsDisableStatusUpdate1Execute);
    connect(ECUUpgradeFirmware1, &QAction::triggered, this, [] {
        if (FormFirmwareUpgrade) FormFirmwareUpgrade->exec();
    });

    connect(WindowGeneral1, &QAction::triggered, this, [this] { ShowPage(PageGeneral); });
    connect(WindowSetUp1, &QAction::triggered, this, [this] { ShowPage(PageFunctions); });
    connect(WindowGasolineMap1, &QAction::triggered, this, [this] { ShowPage(PagePetrolMap); });
    connect(WindowMap1, &QAction::triggered, this, [this] { ShowPage(GasMapPage()); });
    connect(WindowEmissions1, &QAction::triggered, this, [this] { ShowPage(PageLambda); });
    connect(WindowCorrections1, &QAction::triggered, this, [this] { ShowPage(PageCorrection); });
    connect(WindowFineTune1, &QAction::triggered, this, [this] { ShowPage(PageDrivability); });

    connect(HelpPinOut, &QAction::triggered, this, [] { ShowWindow(FormPinOut); });
    connect(HelpInfo1, &QAction::triggered, this, [] {
        if (FormSplash) FormSplash->ShowAbout();
    });
}

void TFormMain::CreateMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("ActionMainMenuBar1"));
    auto menu = [bar](QMenu*& target, const char* name) {
        target = bar->addMenu(QString());
        target->setObjectName(QString::fromLatin1(name));
        return target;
    };

    menu(MenuFile, "MenuFile");
    MenuFile->addActions({FileOpen1, FileSave1, FileSaveAs1, FileBackups1});
    MenuFile->addSeparator();
    MenuLanguage = MenuFile->addMenu(QString());
    MenuLanguage->setObjectName(QStringLiteral("MenuLanguage"));
    MenuLanguage->addActions({LanguageGerman1, LanguageEnglish1, LanguageSpanish1, LanguageFrench1,
                              LanguageItalian1, LanguagePolish1});
    MenuFile->addSeparator();
    MenuFile->addAction(FileExit1);

    menu(MenuEdit, "MenuEdit");
    MenuEdit->addActions({EditTuneMap1, EditAutoadaptiveParams});
    MenuEdit->addSeparator();
    MenuEdit->addActions({EditCopy1, EditPaste1, EditUndo1});
    MenuEdit->addSeparator();
    MenuEdit->addActions({EditResetAll, EditResetMap, EditMergeMaps1, EditCompare1, EditEnableRangeCheck1});

    menu(MenuECU, "MenuECU");
    MenuECU->addActions({ECUUpload1, ECUDownload1, ECUReset1, ECUClearQueue});
    MenuECU->addSeparator();
    MenuECU->addActions({ECUUpgradeFirmware1, ECUExitMonitor1, ECUSwitchMode1});
    MenuECU->addSeparator();
    for (QAction* action : ComActions)
        MenuECU->addAction(action);
    MenuECU->addAction(ECUScanCOM);

    menu(MenuDiagnostics, "MenuDiagnostics");
    MenuDiagnostics->addActions({DiagnosticsDisplay1, DiagnosticsCheckMap, DiagnosticsCheckNozzles});
    MenuDiagnostics->addSeparator();
    MenuDiagnostics->addActions({DiagnosticsDTC1, DiagnosticsVersionInfo1, DiagnosticsLog1,
                                 DiagnosticsEnableStatusUpdate1, DiagnosticsDisableStatusUpdate1});

    menu(MenuWindow, "MenuWindow");
    MenuWindow->addActions({WindowGeneral1, WindowSetUp1, WindowGasolineMap1, WindowMap1, WindowEmissions1,
                            WindowCorrections1, WindowFineTune1});

    menu(MenuHelp, "MenuHelp");
    MenuHelp->addActions({HelpPinOut, HelpInfo1});
}

void TFormMain::CreateToolBar() {
    ToolBar1 = new QFrame(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setFrameShape(QFrame::StyledPanel);
    ToolBar1->setFrameShadow(QFrame::Raised);
    auto* layout = new QHBoxLayout(ToolBar1);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);

    struct Button {
        QToolButton*& button;
        const char* name;
        TToolBarIcon icon;
        StringId hint;
        QAction* runs;
    };
    const Button buttons[] = {
        {ButtonLoad, "ButtonLoad", TToolBarIcon::Load, SHintLoad, FileOpen1},
        {ButtonSave, "ButtonSave", TToolBarIcon::Save, SHintSave, FileSaveAs1},
        {ButtonUndo, "ButtonUndo", TToolBarIcon::Undo, SHintUndo, EditUndo1},
        {ButtonDisplay, "ButtonDisplay", TToolBarIcon::Display, SHintDisplay, DiagnosticsDisplay1},
        {ButtonUpload, "ButtonUpload", TToolBarIcon::Upload, SHintUpload, ECUUpload1},
        {ButtonDownload, "ButtonDownload", TToolBarIcon::Download, SHintDownload, ECUDownload1},
        {ButtonBank, "ButtonBank", TToolBarIcon::Bank, SHintBank, nullptr},
    };
    for (const Button& b : buttons) {
        auto* button = new QToolButton(ToolBar1);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setIcon(ToolBarIcon(b.icon));
        button->setIconSize(QSize(32, 32));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setMinimumWidth(64);
        button->setToolTip(ResStr(b.hint));
        if (b.runs) connect(button, &QToolButton::clicked, b.runs, &QAction::trigger);
        layout->addWidget(button);
        b.button = button;
    }
    // The bank switch belongs to the gas-map pages with two lambda probes only.
    ButtonBank->setVisible(false);
    layout->addStretch(1);
}

void TFormMain::CreatePages() {
    PageControlGeneral = new QTabWidget(this);
    PageControlGeneral->setObjectName(QStringLiteral("PageControlGeneral"));
    PageControlGeneral->setDocumentMode(false);
    static const char* const names[PageCount] = {
        "TabSheetGeneral",     "TabSheetFunctions", "TabSheetPetrolMap",  "TabSheetGasMapComp",
        "TabSheetGasMapSlave", "TabSheetLambda",    "TabSheetCorrection", "TabSheetDrivability"};
    for (int i = 0; i < PageCount; ++i) {
        auto* page = new QWidget(PageControlGeneral);
        page->setObjectName(QString::fromLatin1(names[i]));
        PageControlGeneral->addTab(page, QString());
        Pages[size_t(i)] = page;
    }
    TMapGridPlaces places;
    places.Functions = Pages[PageFunctions];
    places.PetrolMap = Pages[PagePetrolMap];
    places.GasMapComp = Pages[PageGasMapComp];
    places.GasMapSlave = Pages[PageGasMapSlave];
    places.Lambda = Pages[PageLambda];
    places.Correction = Pages[PageCorrection];
    places.Drivability = Pages[PageDrivability];
    places.ButtonBank = ButtonBank;
    MapGrids = new TMapGridPages(places, this);
    TSettingsPagePlaces settingsPlaces;
    settingsPlaces.General = Pages[PageGeneral];
    settingsPlaces.Functions = Pages[PageFunctions];
    settingsPlaces.Lambda = Pages[PageLambda];
    settingsPlaces.Drivability = Pages[PageDrivability];
    settingsPlaces.Grids = MapGrids;
    TSettingsPagesHost host;
    host.GUIUpdating = &GUIUpdating;
    host.RangeHintCountdown = &RangeHintCountdown;
    host.PowerButtonCountdown = &PowerButtonCountdown;
    // The page's "Tune" button runs the Edit menu's command.
    host.OpenAutotuning = [this] { EditTuneMap1->trigger(); };
    host.OpenAdaptiveParams = [] { ShowWindow(FormAutoAdaptiveParams); };
    host.RefreshMapCheck = [this] { RefreshMapCheck(); };
    host.ClearLambdaChart = [this] { ClearLambdaChart(); };
    SettingsPages = new TSettingsPages(settingsPlaces, host, this);
    connect(PageControlGeneral, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0 && index < PageCount) MapGrids->PageShown(Pages[size_t(index)]);
    });
}

void TFormMain::CreateBottomPanel() {
    PanelBottom = new QFrame(this);
    PanelBottom->setObjectName(QStringLiteral("PanelBottom"));
    PanelBottom->setFixedHeight(210);
    auto* layout = new QHBoxLayout(PanelBottom);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(4);

    PanelStatus = new QFrame(PanelBottom);
    PanelStatus->setObjectName(QStringLiteral("PanelStatus"));
    PanelStatus->setFrameShape(QFrame::StyledPanel);
    PanelStatus->setFrameShadow(QFrame::Sunken);
    PanelStatus->setMinimumWidth(560);
    layout->addWidget(PanelStatus);

    LambdaChart = new QChart();
    LambdaChart->setObjectName(QStringLiteral("LambdaChart"));
    LambdaChart->legend()->hide();
    LambdaChart->setMargins(QMargins(4, 4, 4, 4));
    LambdaChart->setBackgroundRoundness(0);
    QLinearGradient background(0, 0, 0, 1);
    background.setCoordinateMode(QGradient::ObjectBoundingMode);
    background.setColorAt(0, QColor(0x00, 0x40, 0x00));
    background.setColorAt(1, QColor(0x00, 0x80, 0x00));
    LambdaChart->setBackgroundBrush(background);
    auto axis = [this](Qt::Alignment where, double from, double to, int ticks, const char* format) {
        auto* a = new QValueAxis(LambdaChart);
        a->setRange(from, to);
        a->setTickCount(ticks);
        a->setLabelFormat(QString::fromLatin1(format));
        a->setGridLineVisible(false);
        a->setLabelsColor(QColor(0xe0, 0xf0, 0xe0));
        QFont labels = a->labelsFont();
        labels.setPixelSize(10);
        a->setLabelsFont(labels);
        a->setTruncateLabels(false);
        a->setLinePenColor(QColor(0xc0, 0xd8, 0xc0));
        LambdaChart->addAxis(a, where);
        return a;
    };
    QValueAxis* timeAxis = axis(Qt::AlignBottom, 0, 10, 11, "%.0f");
    timeAxis->setObjectName(QStringLiteral("LambdaChartTimeAxis"));
    QValueAxis* valueAxis = axis(Qt::AlignLeft, 0, 1, 11, "%.2f");
    valueAxis->setObjectName(QStringLiteral("LambdaChartValueAxis"));

    StatusLambdaChart = new QChartView(LambdaChart, PanelBottom);
    StatusLambdaChart->setObjectName(QStringLiteral("StatusLambdaChart"));
    StatusLambdaChart->setRenderHint(QPainter::Antialiasing);
    StatusLambdaChart->setFrameShape(QFrame::StyledPanel);
    StatusLambdaChart->setFrameShadow(QFrame::Sunken);
    StatusLambdaChart->setMinimumWidth(360); // room for the ten-second axis labels
    layout->addWidget(StatusLambdaChart, 1);

    TStatusPlaces places;
    places.PanelStatus = PanelStatus;
    places.ChartView = StatusLambdaChart;
    places.Chart = LambdaChart;
    places.TimeAxis = timeAxis;
    places.ValueAxis = valueAxis;
    places.FunctionsPage = Pages[PageFunctions];
    places.LambdaPage = Pages[PageLambda];
    places.DrivabilityPage = Pages[PageDrivability];
    places.ButtonBank = ButtonBank;
    StatusPanel = new TStatusPanel(places, this);
    StatusPanel->SetStatusText = [this](int panel, const QString& text) { SetStatusText(panel, text); };
}

void TFormMain::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    const StringId designTexts[2] = {SStatusConnectionDesign, SStatusEngineDesign};
    for (int i = 0; i < 2; ++i) {
        auto* label = new QLabel(ResStr(designTexts[i]), bar);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setContentsMargins(4, 0, 4, 0);
        if (i == 0) label->setMinimumWidth(880);
        bar->addWidget(label, i == 0 ? 0 : 1);
        StatusPanels[size_t(i)] = label;
    }
    StatusBackup = new QLabel(bar);
    StatusBackup->setObjectName(QStringLiteral("StatusBackup"));
    StatusBackup->setStyleSheet(QStringLiteral("QLabel { color: #b00000; }"));
    StatusBackup->setVisible(false);
    bar->addPermanentWidget(StatusBackup);
}

// ---- The window's life ----------------------------------------------------------------------

void TFormMain::FormCreate() {
    OperatingMode = SlaveMode;
    ApplyCaptions();
    // The application title, "Corvane Diagnostic 1.01" (ApplicationTitle), names the settings
    // file and titles the message boxes; it is fixed when the program is built, so no setting can
    // be read under another name. It is not given to the framework, whose application name also
    // names temporary folders and would put spaces into them.
    // Loads the LPG defaults, marks them saved and reads RANGE_CHECK.
    DataMap = new TDataMap;
    DataMap->MainView = this;
    EditEnableRangeCheck1->setChecked(DataMap->EnableCheckRanges);
    // The grids are sized, and the chart series reserve their points, with the pages and the
    // status panel that hold them.
    Acquisitions = new TAcquisitions;
    // After each reply: the map check, the working points, then the status panel.
    connect(Acquisitions, &TAcquisitions::RefreshMapCheck, this, [this] { RefreshMapCheck(); });
    connect(Acquisitions, &TAcquisitions::RefreshWorkingPoint, this, &TFormMain::UpdateWorkingPoint);
    connect(Acquisitions, &TAcquisitions::RefreshStatus, this, &TFormMain::ShowStatus);
    connect(Acquisitions, &TAcquisitions::LambdaChartTick, this, &TFormMain::AddLambdaChartPoint);
    connect(Acquisitions, &TAcquisitions::LambdaChartCleared, this, &TFormMain::ClearLambdaChart);
    connect(Acquisitions, &TAcquisitions::StatusUpdateSwitched, this, [this](bool on) {
        DiagnosticsEnableStatusUpdate1->setEnabled(!on);
        DiagnosticsDisableStatusUpdate1->setEnabled(on);
    });
    connect(Acquisitions, &TAcquisitions::PollCountdownReloaded, this, [](int ticks) {
        if (SerialLink) SerialLink->SchedulePoll(ticks);
    });
    ScalePercent = ScalePercentForWidth(PrimaryScreenWidth());
    ScaleWindow(this, ScalePercent);
    // The window also covers the screen where nothing maximises it (no window manager yet, or
    // one that ignores the request), and returns to that size when un-maximised.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
    // The KELD build's removal of the "Matrix" injectors and the "Landi" level sensor comes with
    // the General page's lists.
    ApplyOperatingMode();
    ClearLambdaChart();
    PageControlGeneral->setCurrentIndex(PageGeneral);
    ButtonUndo->setEnabled(false);
    EditUndo1->setEnabled(false);
    GUIUpdating = false;
    SetStatusText(0, QString());
    SetStatusText(1, QString());
    SplashCountdown = RangeHintCountdown = PowerButtonCountdown = -1;
    DialogCountdown = GlowCountdown = PinOutCountdown = -1;
    TimerGUI->start();
}

void TFormMain::FormShow() {
    UpdateWorkingPoint();
    ShowStatus();
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TFormMain::FormCloseQuery(bool& CanClose) {
    CanClose = false;
    if (Dialogs().Ask(TMsgKind::Confirmation, ResStr(SMsgExitNow), mbYes | mbCancel) != mbYes) return;
    if (!DataMap || DataMap->Saved()) {
        CanClose = true;
        return;
    }
    switch (Dialogs().Ask(TMsgKind::Information, ResStr(SMsgConfigurationUnsaved), mbYes | mbNo | mbCancel)) {
    case mbYes:
        // The user may cancel the save dialog and close without saving; a save that was tried
        // and failed or was refused keeps the program open, so the configuration is not lost.
        CanClose = FileSaveAs1Execute() != TSaveAsOutcome::NotSaved;
        break;
    case mbNo:
        CanClose = true;
        break;
    default:
        break;
    }
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (Closing) {
        event->accept();
        return;
    }
    bool canClose = false;
    FormCloseQuery(canClose);
    if (!canClose) {
        event->ignore();
        return;
    }
    Closing = true;
    FormClose();
    event->accept();
}

void TFormMain::FormClose() {
    // Nothing may queue a request once the link is being taken down.
    if (Acquisitions) {
        Acquisitions->SetStandard(false);
        Acquisitions->SetStatusUpdate(false);
        Acquisitions->SetSaving(false);
    }
    if (DataMap) DataMap->EnableMapRefresh = false;

    // The master timer, the queue (each waiting consumer told), the port's buffers, the packet
    // detector and the reply hand-over, in that order: no reply can reach a window after this.
    if (SerialLink) SerialLink->Dismantle();

    TimerGUI->stop();
    QCoreApplication::processEvents();

    for (QWidget* window :
         std::initializer_list<QWidget*>{FormAcquisitionPanel, FormCommunications, FormDiagnostics,
                                         FormDialog, FormModify, FormSplash, FormGlowingLabel, FormMapCheck})
        if (window) window->close();

    // The transmit queue belongs to the serial link and goes with the communication window at
    // the program's end; it is disabled and empty from here on.
    delete Acquisitions;
    Acquisitions = nullptr;
    delete DataMap;
    DataMap = nullptr;

    deleteLater();
}

void TFormMain::SetCountdown(TGuiCountdown countdown, int ticks) {
    switch (countdown) {
    case TGuiCountdown::Splash:
        SplashCountdown = ticks;
        break;
    case TGuiCountdown::Dialog:
        DialogCountdown = ticks;
        break;
    case TGuiCountdown::Glow:
        GlowCountdown = ticks;
        break;
    case TGuiCountdown::PinOut:
        PinOutCountdown = ticks;
        break;
    case TGuiCountdown::RangeHint:
        RangeHintCountdown = ticks;
        break;
    }
}

QRect TFormMain::NoticeArea() const {
    QRect area = geometry();
    if (statusBar()->isVisible()) area.setBottom(area.bottom() - statusBar()->height());
    return area;
}

TComMenuActions TFormMain::ComMenu() {
    TComMenuActions menu;
    menu.Menu = MenuECU;
    for (QAction* action : ComActions)
        menu.Ports.emplace_back(action);
    menu.Scan = ECUScanCOM;
    return menu;
}

void TFormMain::TimerGUITimer() {
    RunCountdown(SplashCountdown, [this] {
        if (FormSplash)
            FormSplash->ManageFade();
        else
            SplashCountdown = -1;
    });
    RunCountdown(RangeHintCountdown, [this] { ShowRangeHint(); });
    RunCountdown(PowerButtonCountdown, [this] { PowerButtonLongPress(); });
    RunCountdown(DialogCountdown, [this] {
        if (FormDialog)
            FormDialog->ManageFade();
        else
            DialogCountdown = -1;
    });
    RunCountdown(GlowCountdown, [this] {
        if (FormGlowingLabel)
            FormGlowingLabel->ManageFade();
        else
            GlowCountdown = -1;
    });
    RunCountdown(PinOutCountdown, [this] {
        if (FormPinOut)
            FormPinOut->BlinkStep();
        else
            PinOutCountdown = -1;
    });
}

// ---- Captions, pages, status bar ------------------------------------------------------------

void TFormMain::ApplyCaptions() {
    MenuFile->setTitle(ResStr(SMenuFile));
    MenuEdit->setTitle(ResStr(SMenuEdit));
    MenuECU->setTitle(ResStr(SMenuECU));
    MenuDiagnostics->setTitle(ResStr(SMenuDiagnostics));
    MenuWindow->setTitle(ResStr(SMenuWindow));
    MenuHelp->setTitle(ResStr(SMenuHelp));
    MenuLanguage->setTitle(ResStr(SMenuLanguage));

    const std::pair<QAction*, StringId> actions[] = {
        {FileOpen1, SActionOpen},
        {FileSave1, SActionSave},
        {FileSaveAs1, SActionSaveAs},
        {FileBackups1, SActionBackups},
        {FileExit1, SActionExit},
        {EditTuneMap1, SActionTuneMap},
        {EditAutoadaptiveParams, SActionAdaptiveParams},
        {EditCopy1, SActionCopy},
        {EditPaste1, SActionPaste},
        {EditUndo1, SActionUndo},
        {EditResetAll, SActionResetAll},
        {EditResetMap, SActionResetMap},
        {EditMergeMaps1, SActionMergeMaps},
        {EditCompare1, SActionCompare},
        {EditEnableRangeCheck1, SActionCheckRanges},
        {ECUUpload1, SActionUpload},
        {ECUDownload1, SActionDownload},
        {ECUReset1, SActionResetECU},
        {ECUClearQueue, SActionClearQueue},
        {ECUUpgradeFirmware1, SActionFirmwareFlasher},
        {ECUExitMonitor1, SActionExitMonitor},
        {ECUScanCOM, SActionAutoScan},
        {DiagnosticsDisplay1, SActionDisplayMeters},
        {DiagnosticsCheckMap, SActionCheckMap},
        {DiagnosticsCheckNozzles, SActionCheckNozzles},
        {DiagnosticsDTC1, SActionDTC},
        {DiagnosticsVersionInfo1, SActionFirmwareVersion},
        {DiagnosticsLog1, SActionLogCOM},
        {DiagnosticsEnableStatusUpdate1, SActionEnableStatusUpdate},
        {DiagnosticsDisableStatusUpdate1, SActionDisableStatusUpdate},
        {WindowGeneral1, SActionWindowGeneral},
        {WindowSetUp1, SActionWindowFunctions},
        {WindowGasolineMap1, SActionWindowPetrolMap},
        {WindowMap1, SActionWindowGasMap},
        {WindowEmissions1, SActionWindowLambda},
        {WindowCorrections1, SActionWindowCorrections},
        {WindowFineTune1, SActionWindowDrivability},
        {HelpPinOut, SActionPinOut},
        {HelpInfo1, SActionAbout},
    };
    for (const auto& [action, text] : actions)
        action->setText(ResStr(text));
    // The mode entry names the other mode, after a language switch as well.
    ECUSwitchMode1->setText(ResStr(CompensatedModeShown() ? SActionSwitchToSlave : SActionSwitchToCompensated));

    const std::pair<QToolButton*, StringId> buttons[] = {
        {ButtonLoad, SButtonLoad},       {ButtonSave, SButtonSave},     {ButtonUndo, SButtonUndo},
        {ButtonDisplay, SButtonDisplay}, {ButtonUpload, SButtonUpload}, {ButtonDownload, SButtonDownload},
    };
    for (const auto& [button, text] : buttons)
        button->setText(ResStr(text));
    MapGrids->ApplyCaptions();
    SettingsPages->ApplyCaptions();
    StatusPanel->ApplyCaptions();

    const StringId pages[PageCount] = {SPageGeneral, SPageFunctions, SPageGasMap,     SPageGasMap,
                                       SPageGasMap,  SPageLambda,    SPageCorrection, SPageDrivability};
    for (int i = 0; i < PageCount; ++i)
        PageControlGeneral->setTabText(i, ResStr(pages[i]));
    PageControlGeneral->setTabText(PagePetrolMap, ResStr(SPagePetrolMap));
}

void TFormMain::ApplyOperatingMode() {
    GUIUpdating = true;
    const bool compensated = CompensatedModeShown();
    PageControlGeneral->setTabVisible(PageGasMapComp, compensated);
    PageControlGeneral->setTabVisible(PageGasMapSlave, !compensated);
    PageControlGeneral->setTabVisible(PagePetrolMap, compensated);
    WindowGasolineMap1->setVisible(compensated);
    EditResetMap->setVisible(!compensated);
    SettingsPages->ApplyOperatingMode(compensated);
    ECUSwitchMode1->setText(ResStr(compensated ? SActionSwitchToSlave : SActionSwitchToCompensated));
    ShowConfiguration();
    // The adaptivity window's load edits change meaning with the mode.
    if (DataMap && DataMap->AdaptivityView) DataMap->AdaptivityView->RefreshEditors();
    GUIUpdating = false;
}

int TFormMain::GasMapPage() const {
    return CompensatedModeShown() ? PageGasMapComp : PageGasMapSlave;
}

void TFormMain::ShowPage(int index) {
    if (PageControlGeneral->isTabVisible(index)) PageControlGeneral->setCurrentIndex(index);
}

void TFormMain::ShowConfiguration() {
    // The maps may have changed behind the grids (a file, a read from the ECU, an undo).
    UpdateMapColourRanges();
    MapGrids->ShowBank();
    MapGrids->RefreshGrids();
    SettingsPages->ShowConfiguration();
    ShowStatusLayout();
}

bool TFormMain::ReadSettingEditors(TSettingEditors& editors) {
    return SettingsPages->ReadSettingEditors(editors);
}

bool TFormMain::ReadDateEditors(TDateEditors& date) {
    return SettingsPages->ReadDateEditors(date);
}

bool TFormMain::NumericEditorState(const QObject* sender, TNumericEditorState& state) {
    return TSettingsPages::NumericEditorState(sender, state);
}

bool TFormMain::SpeedEditorValue(TSpeedEditor editor, int& value) {
    return SettingsPages->SpeedEditorValue(editor, value);
}

void TFormMain::SetSpeedEditorValue(TSpeedEditor editor, int value) {
    SettingsPages->SetSpeedEditorValue(editor, value);
}

void TFormMain::UpdateMapColourRanges() {
    MapGrids->UpdateMapColourRanges();
}

void TFormMain::RefreshMapCheck() {
    if (FormMapCheck && FormMapCheck->isVisible()) FormMapCheck->RefreshCheck();
}

void TFormMain::UpdateColourRanges() {
    UpdateMapColourRanges();
}

void TFormMain::RepaintMapGrid(TMapGridId grid) {
    if (TNewDrawGrid* shown = MapGrids->Grid(grid)) shown->update();
}

void TFormMain::BankSwitched() {
    MapGrids->ShowBank();
    UpdateMapColourRanges();
}

void TFormMain::EditUndo1Execute() {
    if (!DataMap) return;
    DataMap->Undo();
    SetUndoEnabled(false);
}

void TFormMain::ShowStatus() {
    StatusPanel->ShowStatus();
}

void TFormMain::ShowStatusLayout() {
    StatusPanel->ShowStatusLayout();
}

void TFormMain::AddLambdaChartPoint() {
    StatusPanel->AddLambdaChartPoint();
}

void TFormMain::ClearLambdaChart() {
    StatusPanel->ClearLambdaChart();
}

void TFormMain::UpdateWorkingPoint() {
    MapGrids->UpdateWorkingPoint();
}

void TFormMain::ShowRangeHint() {
    SettingsPages->ShowRangeHint();
}

void TFormMain::PowerButtonLongPress() {
    SettingsPages->PowerButtonLongPress();
}

void TFormMain::FileBackups1Execute() {
    if (!FormBackups) {
        TFormBackups::TActions actions;
        actions.Open = [this](const QString& name) { OpenConfigurationFile(name); };
        actions.Compare = [this](const QString& name) { EditCompare1Execute(name); };
        new TFormBackups(std::move(actions), this);
    }
    FormBackups->Reload();
    FormBackups->show();
    FormBackups->raise();
    FormBackups->activateWindow();
}

void TFormMain::EditCompare1Execute(const QString& chosen) {
    QString name = chosen;
    if (name.isEmpty()) {
        const QString filter = ResStr(SConfigurationFileFilter) + QStringLiteral(";;") + ResStr(SAllFilesFilter);
        name = Dialogs().OpenFileName(ResStr(SCompareDialogTitle), filter, TConfigBackups::DefaultRoot());
        if (name.isEmpty()) return;
    }
    if (!FormCompare) new TFormCompare(this);
    if (!FormCompare->CompareWith(name)) return;
    FormCompare->show();
    FormCompare->raise();
    FormCompare->activateWindow();
}

void TFormMain::ShowBackupFailure(const QString& text) {
    StatusBackup->setText(text);
    StatusBackup->setToolTip(text);
    StatusBackup->setVisible(true);
}

void TFormMain::DiagnosticsEnableStatusUpdate1Execute() {
    if (Acquisitions) Acquisitions->SetStatusUpdate(true);
    if (DataMap) DataMap->EnableMapRefresh = true;
    if (SerialLink) SerialLink->StartPeriodic();
}

void TFormMain::DiagnosticsDisableStatusUpdate1Execute() {
    if (Acquisitions) Acquisitions->SetStatusUpdate(false);
    if (DataMap) DataMap->EnableMapRefresh = false;
    if (SerialLink) SerialLink->StopPeriodic();
}

int TFormMain::ActivePage() {
    return PageControlGeneral->currentIndex();
}

void TFormMain::ShowTransientMessage(const QString& text, int milliseconds) {
    if (FormDialog) FormDialog->Show(text, milliseconds);
}

void TFormMain::SetUndoEnabled(bool enabled) {
    ButtonUndo->setEnabled(enabled);
    EditUndo1->setEnabled(enabled);
}

QRect TFormMain::LambdaChartScreenRect() const {
    return QRect(StatusLambdaChart->mapToGlobal(QPoint(0, 0)), StatusLambdaChart->size());
}

void TFormMain::SetStatusText(int panel, const QString& text) {
    if (panel >= 0 && panel < 2) StatusPanels[size_t(panel)]->setText(text);
}

QString TFormMain::StatusText(int panel) const {
    return panel >= 0 && panel < 2 ? StatusPanels[size_t(panel)]->text() : QString();
}

void TFormMain::SwitchLanguage(int localeId) {
    // The title names a configuration file once one is open; otherwise it is the program's.
    const bool programTitle = windowTitle() == ResStr(SMainCaption);
    if (!LoadLanguageModule(localeId)) return;
    if (programTitle) setWindowTitle(ResStr(SMainCaption));
    if (SerialLink) SetStatusText(0, SerialLink->RecomposedStatus(StatusText(0)));
    // Every window, in a fixed order: the main window's pages are redisplayed after their
    // captions, so the configuration shown does not change.
    if (FormAcquisitionPanel) FormAcquisitionPanel->ApplyCaptions();
    if (FormAutoAdaptiveParams) FormAutoAdaptiveParams->ApplyCaptions();
    if (FormAutotuningKeld) FormAutotuningKeld->ApplyCaptions();
    if (FormCommunications) FormCommunications->ApplyCaptions();
    if (FormDiagnostics) FormDiagnostics->ApplyCaptions();
    if (FormFirmwareUpgrade) FormFirmwareUpgrade->ApplyCaptions();
    if (FormIndiciQualita) FormIndiciQualita->ApplyCaptions();
    GUIUpdating = true;
    ApplyCaptions();
    ShowConfiguration();
    GUIUpdating = false;
    if (FormMapCheck) FormMapCheck->ApplyCaptions();
    if (FormModify) FormModify->ApplyCaptions();
    if (FormPinOut) FormPinOut->ApplyCaptions();
    if (FormSplash) FormSplash->ApplyCaptions();
    if (FormBackups) FormBackups->ApplyCaptions();
    if (FormCompare) FormCompare->ApplyCaptions();
}

void TFormMain::EditCopy1Execute() {
    if (CopyOrPasteFocusedText(false)) return;
    if (auto* grid = qobject_cast<TNewDrawGrid*>(QApplication::focusWidget())) emit MapCellsCopyRequested(grid);
}

void TFormMain::EditPaste1Execute() {
    if (CopyOrPasteFocusedText(true)) return;
    if (auto* grid = qobject_cast<TNewDrawGrid*>(QApplication::focusWidget())) emit MapCellsPasteRequested(grid);
}

void TFormMain::ECUExitMonitor1Execute() {
    if (FormFirmwareUpgrade) FormFirmwareUpgrade->CloseBootloader();
}

void TFormMain::RefreshComMenu() {
    if (FormCommunications) FormCommunications->RefreshComMenu();
}

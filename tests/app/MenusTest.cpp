#include "common/ProgramFixture.h"
#include "common/RunUntil.h"
#include "app/ProgramEntry.h"
#include "app/Settings.h"
#include "app/UnitMain.h"
#include "calibration/UnitAutoAdaptiveParams.h"
#include "calibration/UnitAutotuningKeld.h"
#include "calibration/UnitIndiciQualita.h"
#include "calibration/UnitMapCheck.h"
#include "diagnostics/UnitDiagnostics.h"
#include "config/UnitDati.h"
#include "diagnostics/UnitPinOut.h"
#include "editor/MapGridPages.h"
#include "editor/NewDrawGrid.h"
#include "editor/UnitBackups.h"
#include "editor/UnitModifyData.h"
#include "flasher/UnitFirmwareUpgrade.h"
#include "link/Codec.h"
#include "link/Frames.h"
#include "link/PtyLine.h"
#include "link/UnitCommunications.h"
#include "live/UnitAcquisitionPanel.h"
#include "resources/Strings.h"
#include "windows/UnitSplash.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <functional>
#include <set>

namespace {

QHash<int, QString> BuiltinTexts() {
    QHash<int, QString> table;
    ParseStringModule(QByteArray(BuiltinStringTable), table);
    return table;
}

// A language module made of the built-in texts, each changed by change.
QByteArray ModuleOf(const std::function<QString(const QString&)>& change) {
    QByteArray module;
    const QHash<int, QString> table = BuiltinTexts();
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        QString text = change(it.value());
        text.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
            .replace(QLatin1Char('\n'), QLatin1String("\\n"))
            .replace(QLatin1Char('\t'), QLatin1String("\\t"));
        module += QByteArray::number(it.key()) + '\t' + text.toUtf8() + '\n';
    }
    return module;
}

// Every caption a window shows: labels, buttons, group boxes, tabs, window titles, list items,
// and the entries of the main window's menus.
QStringList CaptionsOf(QWidget* window) {
    QStringList texts{window->windowTitle()};
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        // The status bar shows the link's and the engine's state, not captions.
        if (w->objectName().startsWith(QLatin1String("StatusPanel")) && qobject_cast<QLabel*>(w)) continue;
        if (auto* label = qobject_cast<QLabel*>(w)) texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w)) texts << button->text();
        if (auto* group = qobject_cast<QGroupBox*>(w)) texts << group->title();
        if (auto* tabs = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        if (auto* combo = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        if (auto* menu = qobject_cast<QMenu*>(w)) {
            texts << menu->title();
            if (menu->objectName() == QLatin1String("MenuLanguage")) continue; // their own names
            for (QAction* action : menu->actions())
                if (!action->isSeparator() && !action->menu()) texts << action->text();
        }
    }
    return texts;
}

class Menus : public ProgramFixture {
protected:
    Menus() { SetLanguageModuleDirectory(modules.path()); }
    ~Menus() override {
        DestroyProgram();
        UnloadLanguageModule();
        SetLanguageModuleDirectory(QString());
    }
    void WriteModule(int localeId, const QByteArray& text) {
        QFile file(LanguageModulePath(localeId, false));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    static std::vector<QWidget*> Windows() {
        return {FormMain,           FormAcquisitionPanel, FormAutoAdaptiveParams, FormAutotuningKeld,
                FormCommunications, FormDiagnostics,      FormFirmwareUpgrade,    FormIndiciQualita,
                FormMapCheck,       FormModify,           FormPinOut,             FormSplash};
    }
    // Built-in English texts that some window still shows.
    static QStringList EnglishLeft() {
        std::set<QString> english;
        for (const QString& text : BuiltinTexts())
            english.insert(text);
        // Kept on purpose: the back-up check box keeps its design text.
        english.erase(ResStr(SCheckBackToGasoline));
        QStringList left;
        for (QWidget* window : Windows())
            for (const QString& text : CaptionsOf(window))
                if (!text.isEmpty() && english.count(text)) left << window->objectName() + ": " + text;
        return left;
    }

    QTemporaryDir modules;
};

// ---- The menu bar ---------------------------------------------------------------------------

// Every entry of the menu bar in menu order ("-" a separator, ">" the language submenu): its
// shortcut, its caption and, for the entries whose handler lives here, what running it shows.
// The file, edit and ECU commands of the configuration have their own tests.
struct MenuEntry {
    const char* menu;
    const char* action;
    QKeySequence shortcut;
    StringId caption;
    std::function<bool()> handled;
};

bool Shown(QWidget* window) {
    return window && window->isVisible();
}

bool PageShown(int page) {
    return FormMain->PageControlGeneral->currentIndex() == page;
}

// The modal window the last action opened; it is closed at once.
QPointer<QWidget> LastModal;

void TriggerClosingModal(QAction* action) {
    LastModal = nullptr;
    QTimer::singleShot(0, [] {
        LastModal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QDialog*>(LastModal.data())) dialog->reject();
    });
    action->trigger();
    QCoreApplication::processEvents();
}

const std::vector<MenuEntry>& MenuTable() {
    using F = std::function<bool()>;
    static const std::vector<MenuEntry> table = {
        {"MenuFile", "FileOpen1", Qt::Key_F2, SActionOpen, {}},
        {"MenuFile", "FileSave1", Qt::Key_F3, SActionSave, {}},
        {"MenuFile", "FileSaveAs1", {}, SActionSaveAs, {}},
        {"MenuFile", "FileBackups1", {}, SActionBackups, F([] { return Shown(FormBackups); })},
        {"MenuFile", "-", {}, {}, {}},
        {"MenuFile", ">", {}, SMenuLanguage, {}},
        {"MenuFile", "-", {}, {}, {}},
        {"MenuFile", "FileExit1", QKeySequence(Qt::ALT | Qt::Key_F4), SActionExit, {}},
        {"MenuLanguage", "LanguageGerman1", {}, SLanguageGerman, {}},
        {"MenuLanguage", "LanguageEnglish1", {}, SLanguageEnglish, {}},
        {"MenuLanguage", "LanguageSpanish1", {}, SLanguageSpanish, {}},
        {"MenuLanguage", "LanguageFrench1", {}, SLanguageFrench, {}},
        {"MenuLanguage", "LanguageItalian1", {}, SLanguageItalian, {}},
        {"MenuLanguage", "LanguagePolish1", {}, SLanguagePolish, {}},
        {"MenuEdit", "EditTuneMap1", Qt::Key_F5, SActionTuneMap, F([] { return Shown(FormAutotuningKeld); })},
        {"MenuEdit", "EditAutoadaptiveParams", {}, SActionAdaptiveParams,
         F([] { return Shown(FormAutoAdaptiveParams); })},
        {"MenuEdit", "-", {}, {}, {}},
        {"MenuEdit", "EditCopy1", QKeySequence(Qt::CTRL | Qt::Key_C), SActionCopy, {}},
        {"MenuEdit", "EditPaste1", QKeySequence(Qt::CTRL | Qt::Key_V), SActionPaste, {}},
        {"MenuEdit", "EditUndo1", QKeySequence(Qt::CTRL | Qt::Key_Z), SActionUndo, {}},
        {"MenuEdit", "-", {}, {}, {}},
        {"MenuEdit", "EditResetAll", {}, SActionResetAll, {}},
        {"MenuEdit", "EditResetMap", {}, SActionResetMap, {}},
        {"MenuEdit", "EditMergeMaps1", {}, SActionMergeMaps, {}},
        {"MenuEdit", "EditCompare1", {}, SActionCompare, {}},
        {"MenuEdit", "EditEnableRangeCheck1", {}, SActionCheckRanges, {}},
        {"MenuECU", "ECUUpload1", {}, SActionUpload, {}},
        {"MenuECU", "ECUDownload1", {}, SActionDownload, {}},
        {"MenuECU", "ECUReset1", {}, SActionResetECU, {}},
        {"MenuECU", "ECUClearQueue", {}, SActionClearQueue, {}},
        {"MenuECU", "-", {}, {}, {}},
        // The flasher starts its upgrade as it opens: its own tests open it.
        {"MenuECU", "ECUUpgradeFirmware1", Qt::Key_F9, SActionFirmwareFlasher, {}},
        {"MenuECU", "ECUExitMonitor1", {}, SActionExitMonitor, {}},
        {"MenuECU", "ECUSwitchMode1", {}, SActionSwitchToCompensated, {}},
        {"MenuECU", "-", {}, {}, {}},
        {"MenuECU", "ECUCom1", {}, {}, {}},
        {"MenuECU", "ECUCom2", {}, {}, {}},
        {"MenuECU", "ECUCom3", {}, {}, {}},
        {"MenuECU", "ECUCom4", {}, {}, {}},
        {"MenuECU", "ECUCom5", {}, {}, {}},
        {"MenuECU", "ECUCom6", {}, {}, {}},
        {"MenuECU", "ECUScanCOM", {}, SActionAutoScan, F([] { return FormCommunications->Link.ScanCOM(); })},
        {"MenuDiagnostics", "DiagnosticsDisplay1", Qt::Key_F8, SActionDisplayMeters,
         F([] { return LastModal == FormAcquisitionPanel; })},
        {"MenuDiagnostics", "DiagnosticsCheckMap", {}, SActionCheckMap, F([] { return Shown(FormMapCheck); })},
        {"MenuDiagnostics", "DiagnosticsCheckNozzles", Qt::Key_F6, SActionCheckNozzles,
         F([] { return Shown(FormIndiciQualita); })},
        {"MenuDiagnostics", "-", {}, {}, {}},
        {"MenuDiagnostics", "DiagnosticsDTC1", Qt::Key_F7, SActionDTC, F([] { return Shown(FormDiagnostics); })},
        {"MenuDiagnostics", "DiagnosticsVersionInfo1", {}, SActionFirmwareVersion, {}},
        {"MenuDiagnostics", "DiagnosticsLog1", Qt::Key_F12, SActionLogCOM, F([] { return Shown(FormCommunications); })},
        {"MenuDiagnostics", "DiagnosticsEnableStatusUpdate1", {}, SActionEnableStatusUpdate,
         F([] { return FormMain->DiagnosticsDisableStatusUpdate1->isEnabled(); })},
        {"MenuDiagnostics", "DiagnosticsDisableStatusUpdate1", {}, SActionDisableStatusUpdate,
         F([] { return FormMain->DiagnosticsEnableStatusUpdate1->isEnabled(); })},
        {"MenuWindow", "WindowGeneral1", {}, SActionWindowGeneral, F([] { return PageShown(TFormMain::PageGeneral); })},
        {"MenuWindow", "WindowSetUp1", {}, SActionWindowFunctions, F([] { return PageShown(TFormMain::PageFunctions); })},
        {"MenuWindow", "WindowGasolineMap1", {}, SActionWindowPetrolMap, {}}, // Compensated mode only
        {"MenuWindow", "WindowMap1", {}, SActionWindowGasMap, F([] { return PageShown(TFormMain::PageGasMapSlave); })},
        {"MenuWindow", "WindowEmissions1", {}, SActionWindowLambda, F([] { return PageShown(TFormMain::PageLambda); })},
        {"MenuWindow", "WindowCorrections1", {}, SActionWindowCorrections,
         F([] { return PageShown(TFormMain::PageCorrection); })},
        {"MenuWindow", "WindowFineTune1", {}, SActionWindowDrivability,
         F([] { return PageShown(TFormMain::PageDrivability); })},
        {"MenuHelp", "HelpPinOut", Qt::Key_F1, SActionPinOut, F([] { return Shown(FormPinOut); })},
        {"MenuHelp", "HelpInfo1", {}, SActionAbout,
         F([] { return Shown(FormSplash) && FormSplash->ButtonClose->isVisible(); })},
    };
    return table;
}

TEST_F(Menus, EveryEntryInMenuOrderWithItsShortcutCaptionAndHandler) {
    WriteSetting(QStringLiteral("COM_AUTOSCAN"), QStringLiteral("FALSE"));
    CreateProgram();
    // Each page entry finds another page shown before it runs.
    FormMain->PageControlGeneral->setCurrentIndex(TFormMain::PageDrivability);
    std::map<QString, QStringList> expectedOrder;
    for (const MenuEntry& e : MenuTable())
        expectedOrder[QLatin1String(e.menu)] << QLatin1String(e.action);
    const QStringList menuTitles{QStringLiteral("MenuFile"), QStringLiteral("MenuEdit"), QStringLiteral("MenuECU"),
                                 QStringLiteral("MenuDiagnostics"), QStringLiteral("MenuWindow"),
                                 QStringLiteral("MenuHelp")};
    QStringList barOrder;
    for (QAction* a : FormMain->menuBar()->actions())
        barOrder << a->menu()->objectName();
    EXPECT_EQ(barOrder, menuTitles);
    for (const auto& [menuName, entries] : expectedOrder) {
        auto* menu = FormMain->findChild<QMenu*>(menuName);
        ASSERT_TRUE(menu) << menuName.toStdString();
        QStringList shown;
        for (QAction* a : menu->actions())
            shown << (a->isSeparator() ? QStringLiteral("-") : a->menu() ? QStringLiteral(">") : a->objectName());
        EXPECT_EQ(shown, entries) << menuName.toStdString();
    }
    for (const MenuEntry& e : MenuTable()) {
        const QString name = QLatin1String(e.action);
        if (name == QLatin1String("-")) continue;
        SCOPED_TRACE(e.action);
        if (name == QLatin1String(">")) {
            EXPECT_EQ(FormMain->MenuLanguage->title(), ResStr(e.caption));
            continue;
        }
        auto* action = FormMain->findChild<QAction*>(name);
        ASSERT_TRUE(action);
        EXPECT_EQ(action->shortcut(), e.shortcut);
        if (e.caption) {
            EXPECT_EQ(action->text(), ResStr(e.caption));
        }
        if (e.handled) {
            // Opening the auto-tuning window earlier in the table switched status polling on.
            if (name == QLatin1String("DiagnosticsEnableStatusUpdate1"))
                FormMain->DiagnosticsDisableStatusUpdate1Execute();
            EXPECT_FALSE(e.handled()) << "before";
            TriggerClosingModal(action);
            EXPECT_TRUE(e.handled()) << "after";
        }
    }
}

TEST_F(Menus, ShortcutsRunTheirActionsAndToolBarButtonsRunTheMenuActions) {
    CreateProgram();
    FormMain->show();
    FormMain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(FormMain));
    QTest::keyClick(FormMain, Qt::Key_F12);
    EXPECT_TRUE(FormCommunications->isVisible());
    FormCommunications->hide();
    FormMain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(FormMain));
    QTest::keyClick(FormMain, Qt::Key_F1);
    EXPECT_TRUE(FormPinOut->isVisible());

    // Each button runs its action: the action's triggered signal is what fires.
    const std::pair<QAbstractButton*, QAction*> buttons[] = {
        {FormMain->ButtonLoad, FormMain->FileOpen1},       {FormMain->ButtonSave, FormMain->FileSaveAs1},
        {FormMain->ButtonDisplay, FormMain->DiagnosticsDisplay1}, {FormMain->ButtonUpload, FormMain->ECUUpload1},
        {FormMain->ButtonDownload, FormMain->ECUDownload1},
        {FormMain->findChild<QAbstractButton*>(QStringLiteral("ButtonAutotuning")), FormMain->EditTuneMap1},
    };
    for (const auto& [button, action] : buttons) {
        ASSERT_TRUE(button);
        SCOPED_TRACE(button->objectName().toStdString());
        QSignalSpy triggered(action, &QAction::triggered);
        // A modal window opened by the action goes away at once.
        QTimer::singleShot(0, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
        });
        button->click();
        EXPECT_EQ(triggered.size(), 1);
    }
}

TEST_F(Menus, ThreeDetectedPortsGiveThreeComEntriesWithThePortInUseChecked) {
    PtyLine a, b, c;
    ports = {a.path, b.path, c.path};
    std::sort(ports.begin(), ports.end());
    WriteSetting(QStringLiteral("COMPORT"), ports[1]);
    WriteSetting(QStringLiteral("COM_AUTOSCAN"), QStringLiteral("FALSE"));
    CreateProgram();
    FormMain->RefreshComMenu();
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        QAction* action = FormMain->ComActions[size_t(i)];
        EXPECT_EQ(action->isVisible(), i < 3);
        if (i < 3) {
            EXPECT_EQ(action->text(), ports[i]);
        }
        EXPECT_EQ(action->isChecked(), i == 1);
    }
    EXPECT_FALSE(FormMain->ECUScanCOM->isChecked());
    EXPECT_EQ(FormCommunications->findChild<QLabel*>(QStringLiteral("PortLabel"))->text(), ports[1]);
    // Entering the menu refreshes it: a port gone from the list leaves two entries.
    FormCommunications->Link.SetKnownPorts(ports.mid(0, 2));
    emit FormMain->MenuECU->aboutToShow();
    EXPECT_TRUE(FormMain->ComActions[1]->isVisible());
    EXPECT_FALSE(FormMain->ComActions[2]->isVisible());
}

// ---- Copy and paste -------------------------------------------------------------------------

TEST_F(Menus, CtrlCAndCtrlVWorkOnTheTextOfAFocusedEditBoxNotOnMapCells) {
    CreateProgram();
    FormMain->show();
    FormMain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(FormMain));
    QList<TNewDrawGrid*> copies, pastes;
    QObject::connect(FormMain, &TFormMain::MapCellsCopyRequested, FormMain, [&copies](TNewDrawGrid* g) { copies << g; });
    QObject::connect(FormMain, &TFormMain::MapCellsPasteRequested, FormMain, [&pastes](TNewDrawGrid* g) { pastes << g; });

    FormMain->PageControlGeneral->setCurrentIndex(TFormMain::PageGeneral);
    auto* edit = FormMain->findChild<QLineEdit*>(QStringLiteral("CarTypeEdit"));
    ASSERT_TRUE(edit);
    edit->setFocus();
    ASSERT_TRUE(RunUntil([edit] { return edit->hasFocus(); }, 5000));
    edit->setText(QStringLiteral("Panda"));
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Panda"));
    QGuiApplication::clipboard()->setText(QStringLiteral("Punto"));
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), QStringLiteral("Punto"));
    // The Edit menu's entries do the same while the edit box has the focus.
    edit->selectAll();
    QGuiApplication::clipboard()->setText(QStringLiteral("Tipo"));
    FormMain->EditPaste1->trigger();
    EXPECT_EQ(edit->text(), QStringLiteral("Tipo"));
    // A read-only box takes no paste, and still does not pass it to the map cells.
    edit->setReadOnly(true);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), QStringLiteral("Tipo"));
    EXPECT_EQ(copies.size(), 0);
    EXPECT_EQ(pastes.size(), 0);

    // A map grid with the focus gets them.
    FormMain->PageControlGeneral->setCurrentIndex(TFormMain::PageGasMapSlave);
    TNewDrawGrid* grid = FormMain->MapGrids->Grid(TMapGridId::MappaGas_Slave);
    grid->setFocus();
    ASSERT_TRUE(RunUntil([grid] { return grid->hasFocus(); }, 5000));
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(copies.size(), 1);
    ASSERT_EQ(pastes.size(), 1);
    EXPECT_EQ(copies.first(), grid);
    EXPECT_EQ(pastes.first(), grid);

    // Neither a grid nor an edit box: nothing happens.
    FormMain->ButtonLoad->setFocus();
    ASSERT_TRUE(RunUntil([] { return FormMain->ButtonLoad->hasFocus(); }, 5000));
    QTest::keyClick(FormMain->ButtonLoad, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(pastes.size(), 1);
}

// ---- Languages ------------------------------------------------------------------------------

QString Italianish(const QString& text) {
    return text.isEmpty() ? text : QStringLiteral("«") + text + QStringLiteral("»");
}

TEST_F(Menus, ItalianWithAModuleReCaptionsEveryWindowAndKeepsTheConfigurationShown) {
    CreateProgram();
    ASSERT_TRUE(EnglishLeft().size() > 100); // the check sees the captions
    auto* cylinders = FormMain->findChild<QWidget*>(QStringLiteral("CylindersEdit"));
    ASSERT_TRUE(cylinders);
    const QStringList before = CaptionsOf(FormMain);
    const QString configurationShown = cylinders->property("text").toString() +
                                       cylinders->property("value").toString();
    const QString linkStatus = FormMain->StatusText(0);
    ASSERT_FALSE(linkStatus.isEmpty());
    WriteModule(1040, ModuleOf(Italianish));
    FormMain->LanguageItalian1->trigger();
    EXPECT_EQ(EnglishLeft().join(QLatin1Char('\n')).toStdString(), "");
    // The link's status text is built again in the new language.
    EXPECT_TRUE(FormMain->StatusText(0).startsWith(QStringLiteral("«"))) << FormMain->StatusText(0).toStdString();
    EXPECT_EQ(FormMain->MenuFile->title(), QStringLiteral("«File»"));
    EXPECT_EQ(FormMain->ECUSwitchMode1->text(), QStringLiteral("«Switch to Compensated»"));
    EXPECT_EQ(FormMain->LanguageItalian1->text(), QStringLiteral("Italiano"));
    EXPECT_EQ(cylinders->property("text").toString() + cylinders->property("value").toString(), configurationShown);
    EXPECT_NE(CaptionsOf(FormMain), before);
    EXPECT_TRUE(DataMap->Saved()); // re-captioning is no change of the configuration
}

TEST_F(Menus, ItalianWithoutAModuleChangesNothing) {
    CreateProgram();
    const std::vector<QWidget*> windows = Windows();
    std::vector<QStringList> before;
    for (QWidget* w : windows)
        before.push_back(CaptionsOf(w));
    FormMain->LanguageItalian1->trigger();
    // German has no handler: choosing it does nothing even with a module beside the program.
    WriteModule(1031, ModuleOf(Italianish));
    FormMain->LanguageGerman1->trigger();
    for (size_t i = 0; i < windows.size(); ++i)
        EXPECT_EQ(CaptionsOf(windows[i]), before[i]) << windows[i]->objectName().toStdString();
    EXPECT_EQ(dialogs.told, QStringList());
}

TEST_F(Menus, EnglishWithoutAModuleKeepsTheOtherLanguage) {
    CreateProgram();
    WriteModule(21, ModuleOf([](const QString& t) { return t.isEmpty() ? t : QStringLiteral("PL ") + t; }));
    // Qt's own texts, such as the buttons of a question, follow the module's language (from the
    // translations Qt ships, which setup installs).
    const bool qtTexts = QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_pl.qm");
    const auto yes = [] { return QCoreApplication::translate("QPlatformTheme", "&Yes"); };
    FormMain->LanguagePolish1->trigger();
    EXPECT_EQ(FormMain->MenuHelp->title(), QStringLiteral("PL Help"));
    if (qtTexts) {
        EXPECT_NE(yes(), QStringLiteral("&Yes"));
    }
    FormMain->LanguageEnglish1->trigger();
    EXPECT_EQ(FormMain->MenuHelp->title(), QStringLiteral("PL Help"));
    if (qtTexts) {
        EXPECT_NE(yes(), QStringLiteral("&Yes"));
    }
    EXPECT_EQ(FormDiagnostics->windowTitle(), QStringLiteral("PL ") + BuiltinTexts().value(SDiagnosticsCaption));
    // With an English module, English comes back.
    WriteModule(9, ModuleOf([](const QString& t) { return t; }));
    FormMain->LanguageEnglish1->trigger();
    EXPECT_EQ(FormMain->MenuHelp->title(), QStringLiteral("Help"));
    EXPECT_EQ(yes(), QStringLiteral("&Yes"));
    EXPECT_EQ(EnglishLeft().isEmpty(), false);
}

// Texts twice as long as the English ones: the settings pages' drop-down lists ask for the width
// of their longest entry, and the meters window's trace names are shown whole.
TEST_F(Menus, LongTextsWidenTheDropDownListsAndTheTraceList) {
    CreateProgram();
    WriteModule(1040, ModuleOf([](const QString& t) { return t.isEmpty() ? t : t + QLatin1Char(' ') + t; }));
    FormMain->LanguageItalian1->trigger();
    FormMain->show();
    FormAcquisitionPanel->show();
    ASSERT_TRUE(RunUntil([] { return FormMain->isVisible() && FormAcquisitionPanel->isVisible(); }, 5000));
    QStringList cut;
    for (int page = 0; page < FormMain->PageControlGeneral->count(); ++page) {
        FormMain->PageControlGeneral->setCurrentIndex(page);
        RunFor(100);
        for (auto* list : FormMain->PageControlGeneral->widget(page)->findChildren<QComboBox*>()) {
            if (list->isEditable() || !list->isVisibleTo(FormMain)) continue;
            int widest = 0;
            for (int i = 0; i < list->count(); ++i)
                widest = std::max(widest, list->fontMetrics().horizontalAdvance(list->itemText(i)));
            // What the list asks of the page's layout (the window offscreen is only as wide as
            // its screen and squeezes everything); its frame and arrow take over 20 pixels.
            const int wanted = std::min(list->sizeHint().width(), list->maximumWidth());
            if (wanted < widest + 20) cut << list->objectName();
        }
    }
    for (int k = 0; k < TraceCount; ++k) {
        auto* title = FormAcquisitionPanel->findChild<QLabel*>(QStringLiteral("TraceTitle%1").arg(k));
        ASSERT_TRUE(title);
        if (title->width() < title->fontMetrics().horizontalAdvance(title->text())) cut << title->text();
    }
    EXPECT_EQ(cut.join(QLatin1Char('\n')).toStdString(), "");
}

TEST_F(Menus, TheUsersLocaleChoosesTheLanguageAtStart) {
    struct Case {
        const char* lang;
        bool module;
        const char* fileMenu;
    };
    const Case cases[] = {{"it_IT.UTF-8", true, "«File»"}, {"it_IT.UTF-8", false, "File"}, {"en_GB", true, "File"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lang) + (c.module ? " with module" : " without module"));
        qputenv("LC_ALL", "");
        qputenv("LC_MESSAGES", "");
        qputenv("LANG", c.lang);
        QFile::remove(LanguageModulePath(1040, false));
        if (c.module) WriteModule(1040, ModuleOf(Italianish));
        UnloadLanguageModule();
        SetUpLanguage();
        CreateProgram();
        EXPECT_EQ(FormMain->MenuFile->title(), QString::fromUtf8(c.fileMenu));
        EXPECT_EQ(FormPinOut->windowTitle().startsWith(QStringLiteral("«")), c.module && c.lang[0] == 'i');
        DestroyProgram();
    }
}

// ---- Screenshots ----------------------------------------------------------------------------

// CORVANE_SCREENSHOTS=<folder> saves the main window, the meters window and the diagnostics
// window. CORVANE_SCREENSHOT_LANGUAGE=ITA (or PLK, ENU) takes them with the module built beside
// the program; CORVANE_SCREENSHOT_MODULE=<file> with that module instead; CORVANE_SCREENSHOT_LONG=1
// with every text doubled, to see that the windows grow rather than cut their texts.
TEST_F(Menus, Screenshots) {
    const QString folder = qEnvironmentVariable("CORVANE_SCREENSHOTS");
    if (folder.isEmpty()) GTEST_SKIP() << "CORVANE_SCREENSHOTS is not set";
    const QString language = qEnvironmentVariable("CORVANE_SCREENSHOT_LANGUAGE", QStringLiteral("ENU"));
    QString module = qEnvironmentVariable("CORVANE_SCREENSHOT_MODULE");
    if (module.isEmpty()) module = QStringLiteral(CORVANE_PROGRAM_DIR "/corvane-diagnostic.") + language;
    const int localeId = language == QLatin1String("ITA") ? 1040 : language == QLatin1String("PLK") ? 21 : 9;
    if (qEnvironmentVariableIsSet("CORVANE_SCREENSHOT_LONG")) {
        WriteModule(localeId, ModuleOf([](const QString& t) { return t.isEmpty() ? t : t + QLatin1Char(' ') + t; }));
    } else if (QFile::exists(module)) {
        QFile::copy(module, LanguageModulePath(localeId, false));
    }
    CreateProgram();
    FormMain->SwitchLanguage(localeId);
    FormMain->show();
    const QString suffix = QLatin1Char('-') + language + QStringLiteral(".png");
    const std::pair<int, const char*> pages[] = {{TFormMain::PageGeneral, "General"},
                                                 {TFormMain::PageFunctions, "Functions"},
                                                 {TFormMain::PageGasMapSlave, "GasMap"},
                                                 {TFormMain::PageLambda, "Lambda"},
                                                 {TFormMain::PageCorrection, "Correction"},
                                                 {TFormMain::PageDrivability, "Drivability"}};
    for (const auto& [page, name] : pages) {
        FormMain->PageControlGeneral->setCurrentIndex(page);
        RunFor(300);
        FormMain->grab().save(QDir(folder).filePath(QStringLiteral("Main-%1").arg(QLatin1String(name)) + suffix));
    }
    FormAcquisitionPanel->show();
    RunFor(300);
    FormAcquisitionPanel->grab().save(QDir(folder).filePath(FormAcquisitionPanel->objectName() + suffix));
    FormAcquisitionPanel->hide();
    // The diagnostics window's pages as an ECU with faults fills them: three trouble codes, a
    // log of line errors, the counters and the vehicle number.
    auto reply = [](uint16_t request, const QByteArray& payload) {
        TFrame frame;
        frame.Data = BuildFrame(ReplyCode(request), payload);
        FormDiagnostics->FrameReceived(frame);
    };
    FormDiagnostics->show();
    reply(cmdTroubleCodes, QByteArray::fromHex("0103913394332131"));
    reply(cmdComErrors, QByteArray::fromHex("00f0"));
    reply(cmdCounters, QByteArray::fromHex("01250000005b0000003c000000"));
    reply(cmdVIN, "\x02" + QByteArray("ZFA19900001234567"));
    for (int page = 0; page < FormDiagnostics->PageControl->count(); ++page) {
        FormDiagnostics->PageControl->setCurrentIndex(page);
        RunFor(300);
        FormDiagnostics->grab().save(
            QDir(folder).filePath(QStringLiteral("%1-%2").arg(FormDiagnostics->objectName()).arg(page) + suffix));
    }
    FormDiagnostics->hide();
    // A question with Qt's own buttons.
    QMessageBox question(QMessageBox::Question, FormMain->windowTitle(), ResStr(SMsgConfigurationUnsaved),
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, FormMain);
    question.show();
    RunFor(200);
    question.grab().save(QDir(folder).filePath(QStringLiteral("Question") + suffix));
    question.hide();
    FormMain->MenuEdit->popup(FormMain->mapToGlobal(QPoint(40, 20)));
    RunFor(200);
    FormMain->MenuEdit->grab().save(QDir(folder).filePath(QStringLiteral("MenuEdit") + suffix));
    FormMain->MenuEdit->hide();
}

} // namespace

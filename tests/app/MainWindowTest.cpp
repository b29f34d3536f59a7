#include "app/UnitMain.h"
#include "windows/WindowScaling.h"
#include "common/ProgramFixture.h"
#include "config/UnitDati.h"
#include "link/Codec.h"
#include "link/ReplyDispatch.h"
#include "link/UnitCommunications.h"
#include "live/UnitAcquisizioni.h"
#include "windows/UnitDialog.h"
#include "windows/UnitSplash.h"

#include <QAction>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QTabWidget>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class MainWindow : public ProgramFixture {};

TEST(WindowScaling, ScreenWidthGivesTheScale) {
    const std::pair<int, int> cases[] = {{640, 166},  {800, 133}, {1024, 100},
                                         {1280, 100}, {799, 100}, {0, 100}};
    for (const auto& [width, percent] : cases)
        EXPECT_EQ(ScalePercentForWidth(width), percent) << width;
}

TEST(WindowScaling, WindowSizeFixedControlsAndFontsShrinkByTheScale) {
    struct Case {
        int percent;
        QSize window;
        int labelWidth;
        int fontPixels;
    };
    const Case cases[] = {{100, {399, 150}, 200, 33}, {133, {300, 113}, 150, 25}, {166, {240, 90}, 120, 20}};
    for (const Case& c : cases) {
        QWidget window;
        window.setFixedSize(399, 150);
        auto* label = new QLabel(&window);
        label->setFixedWidth(200);
        QFont big = label->font();
        big.setPixelSize(33);
        label->setFont(big);
        auto* plain = new QLabel(&window); // inherits the window's font
        const double plainPoints = plain->font().pointSizeF();
        ScaleWindow(&window, c.percent);
        EXPECT_EQ(window.size(), c.window) << c.percent;
        EXPECT_EQ(window.minimumSize(), c.window) << c.percent;
        EXPECT_EQ(label->width(), c.labelWidth) << c.percent;
        EXPECT_EQ(label->font().pixelSize(), c.fontPixels) << c.percent;
        EXPECT_NEAR(plain->font().pointSizeF(), plainPoints * 100.0 / c.percent, 0.01) << c.percent;
    }
}

TEST_F(MainWindow, EveryWindowTakesTheMainWindowsScaleFromTheScreen) {
    CreateProgram();
    const int percent = ScalePercentForWidth(PrimaryScreenWidth());
    EXPECT_EQ(FormMain->ScalePercent, percent);
    const QSize designed(399, 150);
    EXPECT_EQ(FormDialog->size(),
              QSize(qRound(designed.width() * 100.0 / percent), qRound(designed.height() * 100.0 / percent)));
}

TEST_F(MainWindow, WindowsAreCreatedInOrderEachCompleteBeforeTheNext) {
    QStringList order;
    bool modelBeforeOthers = true;
    bool queueMadeByTheLink = false;
    int splashCountdownAtCreation = -2;
    bool timerStarted = false;
    CreateProgram([&](QWidget* window) {
        order << window->objectName();
        if (window->objectName() == "FormSplash") splashCountdownAtCreation = FormMain->SplashCountdown;
        if (order.size() == 1) {
            // The main window starts TimerGUI; held from here so that a machine too busy to
            // create the rest at once cannot let it tick before the splash is looked at.
            timerStarted = FormMain->TimerGUI->isActive();
            FormMain->TimerGUI->stop();
            // The design texts of the status bar never show.
            EXPECT_EQ(FormMain->StatusText(0), "");
            EXPECT_EQ(FormMain->StatusText(1), "");
        }
        if (order.size() > 1) modelBeforeOthers = modelBeforeOthers && DataMap && Acquisitions;
        if (window->objectName() == "FormCommunications") {
            queueMadeByTheLink = TXQueue != nullptr;
        } else if (!FormCommunications) {
            EXPECT_EQ(TXQueue, nullptr) << window->objectName().toStdString();
        }
    });
    const QStringList expected = {"FormMain",
                                  "FormMapCheck",
                                  "FormSplash",
                                  "FormDialog",
                                  "FormModify",
                                  "FormAcquisitionPanel",
                                  "FormCommunications",
                                  "FormDiagnostics",
                                  "FormPinOut",
                                  "FormAutotuningKeld",
                                  "FormIndiciQualita",
                                  "FormAutoAdaptiveParams",
                                  "FormFirmwareUpgrade",
                                  "FormGlowingLabel"};
    EXPECT_EQ(order, expected);
    EXPECT_TRUE(modelBeforeOthers);
    EXPECT_TRUE(queueMadeByTheLink);
    EXPECT_TRUE(FormSplash->isVisible());
    EXPECT_EQ(splashCountdownAtCreation, 25);
    EXPECT_TRUE(timerStarted);
    EXPECT_EQ(FormMain->SplashCountdown, 25);
    EXPECT_TRUE(FormMain->windowState() & Qt::WindowMaximized);
}

TEST_F(MainWindow, CreationLeavesToolBarPagesAndStatusBarReady) {
    CreateProgram();
    const char* const buttons[][3] = {{"ButtonLoad", "Load", "Load a configuration file"},
                                      {"ButtonSave", "Save", "Save current configuration to disk"},
                                      {"ButtonUndo", "Undo", "Undo last operation"},
                                      {"ButtonDisplay", "Display", "Display signal traces"},
                                      {"ButtonUpload", "Upload", "Upload configuration from ECU"},
                                      {"ButtonDownload", "Download", "Download current configuration to ECU"},
                                      {"ButtonBank", "Bank 1", "Switch banks"}};
    int position = -1;
    for (const auto& b : buttons) {
        auto* button = FormMain->findChild<QToolButton*>(b[0]);
        ASSERT_NE(button, nullptr) << b[0];
        EXPECT_EQ(button->text(), b[1]);
        EXPECT_EQ(button->toolTip(), b[2]);
        EXPECT_FALSE(button->icon().isNull()) << b[0];
        EXPECT_GT(FormMain->ToolBar1->layout()->indexOf(button), position) << b[0];
        position = FormMain->ToolBar1->layout()->indexOf(button);
    }
    EXPECT_FALSE(FormMain->ButtonBank->isVisibleTo(FormMain));
    EXPECT_FALSE(FormMain->ButtonUndo->isEnabled());
    EXPECT_FALSE(FormMain->EditUndo1->isEnabled());
    EXPECT_FALSE(FormMain->DiagnosticsDisableStatusUpdate1->isEnabled());

    auto* pages = FormMain->findChild<QTabWidget*>("PageControlGeneral");
    ASSERT_NE(pages, nullptr);
    const QStringList captions = {"General", "Functions", "Petrol map", "Gas map",
                                  "Gas map", "Lambda",    "Correction", "Drivability"};
    ASSERT_EQ(pages->count(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(pages->tabText(i), captions[i]) << i;
    EXPECT_EQ(pages->currentIndex(), 0);
    // Slave mode at start: the Slave gas map, no petrol map.
    EXPECT_FALSE(pages->isTabVisible(TFormMain::PagePetrolMap));
    EXPECT_FALSE(pages->isTabVisible(TFormMain::PageGasMapComp));
    EXPECT_TRUE(pages->isTabVisible(TFormMain::PageGasMapSlave));
    EXPECT_EQ(FormMain->ECUSwitchMode1->text(), "Switch to Compensated");

    // The link, created after the main window, writes the first state.
    EXPECT_EQ(FormMain->StatusText(0), "No COM port found");
    EXPECT_EQ(FormMain->StatusText(1), "");
    EXPECT_EQ(FormMain->windowTitle(), "Corvane Car Diagnostic");
    EXPECT_EQ(FormMain->GUIUpdating, false);
    for (int32_t countdown : {FormMain->RangeHintCountdown, FormMain->PowerButtonCountdown,
                              FormMain->DialogCountdown, FormMain->GlowCountdown, FormMain->PinOutCountdown})
        EXPECT_EQ(countdown, -1);
    EXPECT_TRUE(FormMain->TimerGUI->interval() == 40);
}

TEST_F(MainWindow, CompensatedModeSwapsTheGasMapPagesAndCommands) {
    CreateProgram();
    OperatingMode = CompensatedMode;
    FormMain->ApplyOperatingMode();
    auto* pages = FormMain->PageControlGeneral;
    EXPECT_TRUE(pages->isTabVisible(TFormMain::PagePetrolMap));
    EXPECT_TRUE(pages->isTabVisible(TFormMain::PageGasMapComp));
    EXPECT_FALSE(pages->isTabVisible(TFormMain::PageGasMapSlave));
    EXPECT_TRUE(FormMain->WindowGasolineMap1->isVisible());
    EXPECT_FALSE(FormMain->EditResetMap->isVisible());
    EXPECT_EQ(FormMain->ECUSwitchMode1->text(), "Switch to Slave");
    FormMain->WindowMap1->trigger();
    EXPECT_EQ(pages->currentIndex(), TFormMain::PageGasMapComp);
    OperatingMode = SlaveMode;
}

TEST_F(MainWindow, CloseQueryAsksToExitThenAboutTheUnsavedConfiguration) {
    const QString exitNow = "Exit now?";
    const QString unsaved = "Current configuration is unsaved.\nDo you want to save it ?";
    struct Case {
        const char* name;
        bool saved;
        QList<TMsgButton> answers;
        bool canClose;
        QStringList asked;
        bool saveDialog;
        QString file = {}; // what the save dialog gives; empty: it is cancelled
        bool savedAfter = false;
    };
    // A file written by a newer release: saving over it asks first.
    const QString newer = winDir.filePath("newer.cfg");
    {
        QFile f(newer);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("9.99SLAV");
    }
    const QString overwriteNewer = newer + " was saved with a newer relese.\rOverwriting it could delete newer "
                                           "fields on it.\nAre you sure you want to proceed ?";
    const QString existsNewer = newer + " already exists.\nDo you want to overwrite it ?";
    const Case cases[] = {
        {"exit cancelled", true, {mbCancel}, false, {exitNow}, false},
        {"saved: no second question", true, {mbYes}, true, {exitNow}, false},
        {"unsaved, cancel", false, {mbYes, mbCancel}, false, {exitNow, unsaved}, false},
        {"unsaved, no", false, {mbYes, mbNo}, true, {exitNow, unsaved}, false},
        {"unsaved, yes, save dialog cancelled", false, {mbYes, mbYes}, true, {exitNow, unsaved}, true},
        {"unsaved, yes, saved", false, {mbYes, mbYes}, true, {exitNow, unsaved}, true,
         winDir.filePath("saved.cfg"), true},
        {"unsaved, yes, the write fails", false, {mbYes, mbYes}, false, {exitNow, unsaved}, true,
         winDir.filePath("no such folder/x.cfg")},
        {"unsaved, yes, version question cancelled", false, {mbYes, mbYes, mbYes, mbCancel}, false,
         {exitNow, unsaved, existsNewer, overwriteNewer}, true, newer},
    };
    CreateProgram();
    for (const Case& c : cases) {
        dialogs.asked.clear();
        dialogs.fileDialogs.clear();
        dialogs.files = c.file.isEmpty() ? QStringList{} : QStringList{c.file};
        dialogs.answers = c.answers;
        DataMap->SetSaved(c.saved);
        bool canClose = !c.canClose;
        FormMain->FormCloseQuery(canClose);
        EXPECT_EQ(canClose, c.canClose) << c.name;
        EXPECT_EQ(dialogs.asked, c.asked) << c.name;
        EXPECT_EQ(dialogs.fileDialogs, c.saveDialog ? QStringList{"Save configuration as"} : QStringList{})
            << c.name;
        EXPECT_TRUE(dialogs.answers.isEmpty()) << c.name;
        EXPECT_EQ(DataMap->Saved(), c.saved || c.savedAfter) << c.name;
    }
    EXPECT_EQ(dialogs.unanswered, 0);
}

TEST_F(MainWindow, CancelledCloseKeepsTheProgramRunning) {
    CreateProgram();
    FormMain->show();
    dialogs.answers = {mbCancel};
    EXPECT_FALSE(FormMain->close());
    EXPECT_TRUE(FormMain->isVisible());
    EXPECT_TRUE(SerialLink->MasterTimerRunning());
    EXPECT_NE(DataMap, nullptr);
}

// Notes, when the queue drops its request, what the close sequence has done so far.
struct CloseProbe : TConsumerInterface {
    bool discarded = false;
    bool pollingStopped = false;
    bool masterTimerStopped = false;
    bool queueDisabled = false;
    bool windowsStillOpen = false;
    bool modelAlive = false;
    void FrameReceived(const TFrame&) override {}
    void FrameDiscarded() override {
        discarded = true;
        pollingStopped = Acquisitions && !Acquisitions->StatusUpdate && !Acquisitions->Standard;
        masterTimerStopped = SerialLink && !SerialLink->MasterTimerRunning();
        queueDisabled = TXQueue && !TXQueue->Enabled();
        windowsStillOpen =
            FormDialog->isVisible() && FormCommunications->isVisible() && FormMain->isVisible();
        modelAlive = DataMap != nullptr;
    }
    void FrameFailed() override {}
};

TEST_F(MainWindow, CloseSequenceQuiescesTheLinkBeforeTheWindowsClose) {
    CreateProgram();
    FormMain->show();
    FormCommunications->show();
    FormDialog->Show("ECU resetted", 5000);
    Acquisitions->SetStatusUpdate(true);
    Acquisitions->SetStandard(true);
    CloseProbe probe;
    QueueFrame(CommandBody(cmdIdentify), &probe, false);
    ASSERT_EQ(TXQueue->Count(), 1);

    QPointer<TFormMain> main = FormMain;
    dialogs.answers = {mbYes};
    EXPECT_TRUE(FormMain->close());

    EXPECT_TRUE(probe.discarded);
    EXPECT_TRUE(probe.pollingStopped);
    EXPECT_TRUE(probe.masterTimerStopped);
    EXPECT_TRUE(probe.queueDisabled);
    EXPECT_TRUE(probe.windowsStillOpen);
    EXPECT_TRUE(probe.modelAlive);

    EXPECT_TRUE(TXQueue->IsEmpty());
    EXPECT_TRUE(SerialLink->Dispatcher().SynchThread().Terminated());
    EXPECT_FALSE(FormDialog->isVisible());
    EXPECT_FALSE(FormCommunications->isVisible());
    EXPECT_FALSE(main->TimerGUI->isActive());
    EXPECT_EQ(Acquisitions, nullptr);
    EXPECT_EQ(DataMap, nullptr);
    RunDeferredDeletes();
    EXPECT_TRUE(main.isNull());
    EXPECT_EQ(FormMain, nullptr);
}

} // namespace

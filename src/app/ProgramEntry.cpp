#include "app/ProgramEntry.h"

#include "app/ProgramLinkClients.h"
#include "resources/Strings.h"
#include "app/BackupKeeper.h"
#include "config/UnitDati.h"
#include "app/UnitMain.h"
#include "app/WidgetDialogs.h"
#include "calibration/UnitAutoAdaptiveParams.h"
#include "calibration/UnitAutotuningKeld.h"
#include "calibration/UnitIndiciQualita.h"
#include "calibration/UnitMapCheck.h"
#include "diagnostics/UnitDiagnostics.h"
#include "diagnostics/UnitPinOut.h"
#include "editor/UnitModifyData.h"
#include "flasher/UnitFirmwareUpgrade.h"
#include "link/UnitCommunications.h"
#include "live/UnitAcquisitionPanel.h"
#include "windows/UnitDialog.h"
#include "windows/UnitGlowingLabel.h"
#include "windows/UnitSplash.h"

#include <QApplication>
#include <QPointer>
#include <vector>

namespace {

// Every window the entry made, in creation order; the main window releases itself at close.
std::vector<QPointer<QWidget>> CreatedWindows;

} // namespace

void CreateWindows(const std::function<void(QWidget*)>& created) {
    auto add = [&](QWidget* window) {
        CreatedWindows.emplace_back(window);
        if (created) created(window);
    };
    add(new TFormMain);
    add(new TFormMapCheck(FormMain));
    add(new TFormSplash(FormMain));
    add(new TFormDialog(FormMain));
    add(new TFormModify(FormMain));
    add(new TFormAcquisitionPanel(FormMain));
    // The link reads its port through its clients: they are in place before it starts.
    auto* communications = new TFormCommunications(FormMain, nullptr, false);
    communications->Link.SetClients(&ProgramLinkClients());
    ProgramLinkClients().DeliverEarlyComErrors();
    communications->Link.Start();
    add(communications);
    add(new TFormDiagnostics(FormMain));
    ProgramLinkClients().DeliverEarlyComErrors();
    // Every whole configuration read from the ECU is also kept as a backup of its car.
    auto* keeper = new TBackupKeeper(FormMain);
    keeper->setObjectName(QStringLiteral("BackupKeeper"));
    QObject::connect(DataMap, &TDataMap::ConfigurationRead, keeper, &TBackupKeeper::ConfigurationRead);
    QObject::connect(FormDiagnostics, &TFormDiagnostics::VinReceived, keeper, &TBackupKeeper::VinReceived);
    QObject::connect(keeper, &TBackupKeeper::BackupFailed, FormMain, &TFormMain::ShowBackupFailure);
    add(new TFormPinOut(FormMain));
    add(new TFormAutotuningKeld(FormMain));
    add(new TFormIndiciQualita(FormMain));
    add(new TFormAutoAdaptiveParams(FormMain));
    add(new TFormFirmwareUpgrade(FormMain));
    add(new TFormGlowingLabel(FormMain));
}

void DestroyWindows() {
    for (auto it = CreatedWindows.rbegin(); it != CreatedWindows.rend(); ++it)
        delete it->data();
    CreatedWindows.clear();
}

QString SetUpLanguage() {
    InitMessageCatalogue(QCoreApplication::applicationDirPath());
    QString moduleError;
    LoadLanguageModule(UserLocaleId(), &moduleError);
    return moduleError;
}

int RunProgram(QApplication& app) {
    const QString moduleError = SetUpLanguage();
    QApplication::setApplicationName(ResStr(SAppName));
    // The program's windows decide when it ends: only the main window's close sequence ends it.
    app.setQuitOnLastWindowClosed(false);

    TWidgetDialogs dialogs;
    SetDialogs(&dialogs);
    CreateWindows();
    dialogs.SetParent(FormMain);
    QObject::connect(FormMain, &QObject::destroyed, &app, &QCoreApplication::quit);
    FormMain->show();
    // Said once the main window is up, so that the message has a window to stand over.
    if (!moduleError.isEmpty()) Dialogs().Tell(TMsgKind::Warning, moduleError);
    const int code = app.exec();
    DestroyWindows();
    SetDialogs(nullptr);
    return code;
}

#pragma once

#include "ScriptedDialogs.h"
#include "app/ProgramEntry.h"
#include "app/UnitMain.h"
#include "link/SerialLink.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

// The whole program's windows, created by the program entry, with the settings file in a
// temporary WinDir, questions answered by script and TimerGUI ticked by hand. The serial port
// list holds only the ports a test names (none by default).
class ProgramFixture : public ::testing::Test {
protected:
    ProgramFixture() {
        qputenv("WinDir", QFile::encodeName(winDir.path()));
        // The backups of the configurations read go to a folder of the test's own.
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
        TSerialLink::SetPortEnumerator([this] { return ports; });
    }
    ~ProgramFixture() override {
        DestroyProgram();
        TSerialLink::SetPortEnumerator({});
        qunsetenv("WinDir");
        qunsetenv("XDG_DATA_HOME");
    }

    void CreateProgram(const std::function<void(QWidget*)>& created = {}) {
        CreateWindows(created);
        FormMain->TimerGUI->stop();
    }
    static void DestroyProgram() {
        delete FormMain;
        DestroyWindows();
    }
    static void Tick(int ticks = 1) {
        for (int i = 0; i < ticks; ++i)
            FormMain->TimerGUITimer();
    }
    // Runs the deferred deletions, such as the main window's release at the end of its close.
    static void RunDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QTemporaryDir winDir;
    QTemporaryDir dataHome;
    QStringList ports;
    ScriptedDialogs dialogs;
};

#pragma once

#include "PtyLine.h"
#include "QtPrinters.h"
#include "app/LinkSettings.h"
#include "app/Settings.h"
#include "common/RunUntil.h"
#include "common/ScriptedDialogs.h"
#include "link/Codec.h"
#include "link/SerialLink.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// Stands in for the subsystems around the link (live data, configuration model, windows) and
// records what the link asks of them.
class RecordingClients : public TSettingsFileLinkClients {
public:
    bool standard = false, statusUpdate = false, saving = false, mapRefresh = false, meters = false;
    int mode = 0;
    QStringList calls, comErrors, notices;

    bool Standard() override { return standard; }
    bool StatusUpdate() override { return statusUpdate; }
    void SetStandard(bool on) override { standard = on; }
    void SetSuperFast(bool on) override { calls << QStringLiteral("SuperFast %1").arg(on); }
    void SetStatusUpdate(bool on) override { statusUpdate = on; }
    void SetSaving(bool on) override { saving = on; }
    bool MetersVisible() override { return meters; }
    bool EnableMapRefresh() override { return mapRefresh; }
    void SetEnableMapRefresh(bool on) override { mapRefresh = on; }
    void UploadAll(bool notify) override { calls << QStringLiteral("UploadAll %1").arg(notify); }
    int OperatingMode() override { return mode; }
    void SetOperatingMode(int m) override { mode = m; }
    void ApplyOperatingMode() override { calls << QStringLiteral("ApplyOperatingMode"); }
    void ShowTransientMessage(const QString& text, int ms) override {
        notices << QStringLiteral("%1 %2").arg(text).arg(ms);
    }
    void AddComError(const QString& message) override { comErrors << message; }
};

// A link over real ports with its settings file in a temporary folder and the port list chosen
// by the test. Ticks of the master timer are driven by the test, so intervals are counted exactly.
class LinkFixture : public ::testing::Test {
protected:
    LinkFixture() {
        qputenv("WinDir", settingsDir.path().toUtf8());
        TSerialLink::SetPortEnumerator([this] { return ports; });
    }
    ~LinkFixture() override {
        link.reset();
        TSerialLink::SetPortEnumerator({});
        qunsetenv("WinDir");
    }

    void Create() {
        link = std::make_unique<TSerialLink>();
        link->SetClients(&clients);
        QObject::connect(link.get(), &TSerialLink::StatusText,
                         [this](int panel, const QString& text) { status[panel == 0 ? 0 : 1] << text; });
    }
    // Starts the link with its master timer stopped; Ticks() runs it.
    void Start() {
        if (!link) Create();
        link->Start();
        link->StopMasterTimer();
    }
    static void Setting(const QString& key, const QString& value) { WriteSetting(key, value); }

    // Runs n master-timer ticks, letting the port work after each; frames the link writes to
    // line are noted with the number of the tick that sent them.
    void Ticks(int n, PtyLine* line = nullptr) {
        for (int i = 0; i < n; ++i) {
            ++tick;
            link->MasterTimerTimer();
            QCoreApplication::processEvents();
            if (line)
                for (const QByteArray& frame : PtyLine::Frames(line->Read()))
                    sent.push_back({tick, frame});
        }
    }
    // Lets events run until done() holds or the deadline passes; false on the deadline, which is
    // generous because a loaded machine runs timers late.
    static bool WaitFor(const std::function<bool()>& done, int ms = 20000) { return RunUntil(done, ms, 10); }
    QString Status(int panel = 0) const { return status[panel].isEmpty() ? QString() : status[panel].last(); }
    std::vector<int> SentTicks() const {
        std::vector<int> ticks;
        for (const auto& s : sent)
            ticks.push_back(s.first);
        return ticks;
    }

    QTemporaryDir settingsDir;
    ScriptedDialogs dialogs;
    RecordingClients clients;
    QStringList ports;
    std::unique_ptr<TSerialLink> link;
    QStringList status[2];
    int tick = 0;
    std::vector<std::pair<int, QByteArray>> sent;
};

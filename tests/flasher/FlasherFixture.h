#pragma once

// The upgrade sequence on the real serial link against corvane-ecu-sim, with the configuration
// model, the link's clients and a view that records what the window would show. The step timer
// runs at its real 200 ms; the master timer runs as in the program.

#include "common/RunUntil.h"
#include "FirmwareLines.h"
#include "app/LinkSettings.h"
#include "app/Settings.h"
#include "common/EcuSim.h"
#include "common/ScriptedDialogs.h"
#include "config/ConfigTransfer.h"
#include "config/UnitDati.h"
#include "flasher/UpgradeSequence.h"
#include "link/Codec.h"
#include "link/QtPrinters.h"
#include "link/ReplyDispatch.h"
#include "link/SerialLink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// The program's link clients, reduced to what the flasher touches.
class FlasherClients : public TSettingsFileLinkClients {
public:
    TDataMap* Model = nullptr;
    bool standard = true, statusUpdate = true, saving = false;
    QStringList notices;

    bool Standard() override { return standard; }
    bool StatusUpdate() override { return statusUpdate; }
    void SetStandard(bool on) override { standard = on; }
    void SetStatusUpdate(bool on) override { statusUpdate = on; }
    void SetSaving(bool on) override { saving = on; }
    bool EnableMapRefresh() override { return Model && Model->EnableMapRefresh; }
    void SetEnableMapRefresh(bool on) override {
        if (Model) Model->EnableMapRefresh = on;
    }
    void UploadAll(bool notify) override {
        if (Model) Model->UploadAll(notify);
    }
    int OperatingMode() override { return ::OperatingMode; }
    void ShowTransientMessage(const QString& text, int ms) override {
        notices << QStringLiteral("%1 %2").arg(text).arg(ms);
    }
};

// What the flasher window would show, recorded.
class RecordingView : public TUpgradeView {
public:
    RecordingView() {
        Timer.setInterval(TUpgradeSequence::StepTimerMs);
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            if (Sequence) Sequence->TimerStepTimer();
        });
    }

    TUpgradeSequence* Sequence = nullptr;
    QTimer Timer;
    QStringList statuses;
    QString current, fresh;
    QList<int> progress;
    int written = 0, lines = 0;
    bool closed = false;
    // Runs as a status text appears: the test's hand on the ECU at that moment.
    std::function<void(const QString&)> onStatus;

    void StartStepTimer() override { Timer.start(); }
    void StopStepTimer() override { Timer.stop(); }
    void ShowStatusLine(const QString&) override {}
    void StatusTextChanged(const QString& text) override {
        statuses << text;
        if (onStatus) onStatus(text);
    }
    void ShowCurrentRevision(const QString& text) override { current = text; }
    void ShowNewRevision(const QString& text) override { fresh = text; }
    void ShowProgress(int percent) override { progress << percent; }
    void ShowLinesWritten(int w, int n) override {
        written = w;
        lines = n;
    }
    void CloseWindow() override {
        Sequence->Finish();
        closed = true;
    }
};

class FlasherTest : public ::testing::Test {
protected:
    FlasherTest() {
        qputenv("WinDir", dir.path().toUtf8());
        TSerialLink::SetPortEnumerator([] { return QStringList(); });
    }
    ~FlasherTest() override {
        sequence.reset();
        link.reset();
        model.reset();
        TSerialLink::SetPortEnumerator({});
        qunsetenv("WinDir");
    }

    // Starts the simulator and the link on its port.
    void StartEcu(const QStringList& options = {QStringLiteral("--no-pacing")}) {
        ecu = std::make_unique<TEcuSim>(options);
        ASSERT_TRUE(ecu->IsRunning()) << ecu->ErrorText().toStdString();
        WriteSetting(QStringLiteral("COMPORT"), ecu->LinkPath());
        model = std::make_unique<TDataMap>();
        clients.Model = model.get();
        link = std::make_unique<TSerialLink>();
        link->SetClients(&clients);
        QObject::connect(link.get(), &TSerialLink::FrameLogged, [this](const QByteArray& frame, bool out) {
            if (recording) (out ? sent : received) << frame;
        });
        link->Start();
    }
    // Waits until the ECU is connected and the configuration the connection reads is in.
    void Connect() {
        link->SendConnectProbe();
        ASSERT_TRUE(WaitUntil([this] { return link->ECUisConnected() && Idle(); }));
    }
    bool Idle() const {
        return TXQueue->IsEmpty() && link->Dispatcher().SynchThread().PendingDeliveries() == 0;
    }
    // Opens the flasher as the window would and records the frames from then on.
    void Open() {
        sequence = std::make_unique<TUpgradeSequence>(*link, *model, view);
        view.Sequence = sequence.get();
        recording = true;
        sequence->Start();
    }
    // Runs the sequence until the window closes.
    void RunToEnd(int ms = 60000) {
        ASSERT_TRUE(WaitUntil([this] { return view.closed; }, ms))
            << "stuck at status " << sequence->StatusText.toStdString() << ", step " << int(sequence->Step);
    }
    static bool WaitUntil(const std::function<bool()>& done, int ms = 30000) { return RunUntil(done, ms, 20); }

    QString FirmwareFile(const QByteArrayList& lines, const QString& name = QStringLiteral("KELD_2.06.mhx")) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(WriteFirmwareFile(path, lines));
        return path;
    }
    QStringList Flashed() {
        QStringList lines;
        EXPECT_TRUE(ecu->Command(QStringLiteral("flashed"), &lines));
        return lines;
    }
    static QStringList AsText(const QByteArrayList& lines) {
        QStringList out;
        for (const QByteArray& l : lines)
            out << QString::fromLatin1(l);
        return out;
    }
    // Payloads of the recorded frames with the given code.
    static QByteArrayList Payloads(const QByteArrayList& frames, uint16_t code) {
        QByteArrayList out;
        for (const QByteArray& f : frames)
            if (FrameCommand(f) == code) out << FramePayload(f);
        return out;
    }
    // The simulator's stored blocks, 1 to 9 with both banks of 4 and 8.
    QByteArrayList EcuBlocks() {
        QByteArrayList blocks;
        for (int b = 1; b <= ConfigBlockCount; ++b)
            for (int bank = 1; bank <= (IsBankBlock(b) ? 2 : 1); ++bank) {
                QStringList lines;
                EXPECT_TRUE(ecu->Command(QStringLiteral("block %1 %2").arg(b).arg(bank), &lines))
                    << ecu->ErrorText().toStdString();
                blocks << QByteArray::fromHex(lines.value(0).toLatin1());
            }
        return blocks;
    }
    QStringList BootLogLines() const { return sequence->BootLog.Text().split(QLatin1Char('\n')); }
    // The port is back in frame mode with the queue taking requests and the periodic duties on.
    void ExpectLinkRestored() {
        EXPECT_EQ(link->BaudRate(), TSerialLink::FrameBaudRate);
        EXPECT_FALSE(link->BootMonitorMode());
        EXPECT_TRUE(TXQueue->Enabled());
        EXPECT_TRUE(link->PeriodicDutiesOn());
        EXPECT_TRUE(clients.statusUpdate);
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    FlasherClients clients;
    RecordingView view;
    std::unique_ptr<TEcuSim> ecu;
    std::unique_ptr<TDataMap> model;
    std::unique_ptr<TSerialLink> link;
    std::unique_ptr<TUpgradeSequence> sequence;
    bool recording = false;
    QByteArrayList sent, received;
};

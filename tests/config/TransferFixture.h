#pragma once

#include "ModelFixture.h"
#include "app/Settings.h"
#include "common/EcuSim.h"
#include "common/ModelLinkClients.h"
#include "common/RunUntil.h"
#include "common/ScriptedDialogs.h"
#include "config/ConfigTransfer.h"
#include "link/Codec.h"
#include "link/ReplyDispatch.h"
#include "link/SerialLink.h"

#include <QCoreApplication>
#include <functional>
#include <memory>

// The diagnostics window's VIN requests.
class VinSender : public TDiagnosticsView {
public:
    QByteArray vin = "ZFA18800000123456";
    void ReadVIN() override { SendCommand(CommandBody(cmdVIN) + char(2), nullptr, false); }
    void WriteVIN() override {
        if (vin.size() == 17) SendCommand(CommandBody(cmdVIN) + char(1) + vin, nullptr, false);
    }
};

// A request or reply in a few characters: "W4/2" writes block 4 of bank 2, "R9" reads block 9,
// "VIN w", "mode 1".
inline QString Describe(const QByteArray& frame) {
    const uint16_t code = FrameCommand(frame);
    const QByteArray p = FramePayload(frame);
    const int b = p.isEmpty() ? -1 : static_cast<uint8_t>(p[0]);
    auto block = [&](const char* kind) {
        QString s = QString::fromLatin1(kind) + QString::number(b);
        if (IsBankBlock(b) && p.size() > 1)
            s += QLatin1Char('/') + QString::number(static_cast<uint8_t>(p[1]));
        return s;
    };
    switch (code) {
    case cmdWriteBlock:
        return block("W");
    case cmdReadBlock:
        return block("R");
    case cmdVIN:
        return b == 1 ? QStringLiteral("VIN w") : QStringLiteral("VIN r");
    case cmdMode:
        return QStringLiteral("mode %1").arg(b);
    default:
        return QStringLiteral("%1").arg(code, 4, 16, QLatin1Char('0'));
    }
}

// A model with its views on the real serial link against corvane-ecu-sim. The master timer is
// stopped: tests run its ticks by hand, so intervals are counted exactly.
class TransferTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        AttachViews();
        model->DiagnosticsView = &vin;
        TSerialLink::SetPortEnumerator([] { return QStringList(); });
        clients.Model = model.get();
    }
    void TearDown() override {
        link.reset();
        TSerialLink::SetPortEnumerator({});
        ModelTest::TearDown();
    }

    // Opens the simulator's port, probes, and waits until the ECU is connected and the reads the
    // connection starts are answered.
    void Connect(TEcuSim& ecu) {
        ASSERT_TRUE(ecu.IsRunning()) << ecu.ErrorText().toStdString();
        WriteSetting(QStringLiteral("COMPORT"), ecu.LinkPath());
        link = std::make_unique<TSerialLink>();
        link->SetClients(&clients);
        QObject::connect(link.get(), &TSerialLink::FrameLogged, [this](const QByteArray& frame, bool out) {
            (out ? sent : received) << Describe(frame);
            if (out) sentAt << tick;
        });
        link->Start();
        link->StopMasterTimer();
        link->SendConnectProbe();
        ASSERT_TRUE(WaitFor([&] { return link->ECUisConnected() && Idle(); }));
    }
    bool Idle() const {
        return TXQueue->IsEmpty() && link->Dispatcher().SynchThread().PendingDeliveries() == 0;
    }
    // Waits until every request is answered and every reply delivered.
    bool Settle() {
        return WaitFor([this] { return Idle(); });
    }
    static bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
        if (!RunUntil(done, ms)) return false;
        QCoreApplication::processEvents();
        return true;
    }
    // One tick of the master timer, then the answers to what it sent.
    void Tick() {
        ++tick;
        link->MasterTimerTimer();
        ASSERT_TRUE(Settle()) << "tick " << tick;
    }
    void Clear() {
        sent.clear();
        sentAt.clear();
        received.clear();
        view.notices.clear();
        view.calls.clear();
    }
    // The simulator's stored payload of a block.
    static QByteArray EcuBlock(TEcuSim& ecu, int block, int bank = 1) {
        QStringList lines;
        if (!ecu.Command(QStringLiteral("block %1 %2").arg(block).arg(bank), &lines) || lines.isEmpty())
            return {};
        return QByteArray::fromHex(lines.first().toLatin1());
    }
    static std::vector<QByteArray> EcuBlocks(TEcuSim& ecu) {
        std::vector<QByteArray> blocks;
        for (int b = 1; b <= ConfigBlockCount; ++b) {
            blocks.push_back(EcuBlock(ecu, b, 1));
            if (IsBankBlock(b)) blocks.push_back(EcuBlock(ecu, b, 2));
        }
        return blocks;
    }

    ScriptedDialogs dialogs;
    VinSender vin;
    ModelLinkClients clients;
    std::unique_ptr<TSerialLink> link;
    QStringList sent, received;
    QList<int> sentAt;
    int tick = 0;
};

#pragma once

#include "FakeDisplay.h"
#include "config/UnitDati.h"
#include "link/FakeLinkHost.h"
#include "link/ReplyDispatch.h"
#include "live/UnitAcquisizioni.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A live-data manager on the real transmit queue and reply dispatch, over a link host that
// records what goes on the wire. Replies are fed as packets, as the serial layer delivers them.
class LiveFixture : public ::testing::Test {
protected:
    LiveFixture() : display(acq), queue(&host, &host), dispatcher(&queue, &host, &host) {
        TXQueue = &queue;
        Acquisitions = &acq;
        dataMap.LambdaType = 1;
        dataMap.TPSType = 1;
        QObject::connect(&acq, &TAcquisitions::PollCountdownReloaded,
                         [this](int ticks) { PollCountdown = ticks; });
    }
    ~LiveFixture() override {
        queue.Flush();
        TXQueue = nullptr;
        Acquisitions = nullptr;
    }

    void Reply(uint16_t code, const QByteArray& payload = {}) {
        dispatcher.HandlePacket(EscapeFrame(BuildFrame(code, payload)));
        QCoreApplication::processEvents();
    }
    // The ECU's answer that it does not support the request at the head of the queue.
    void Refuse() { Reply(rspNotSupported); }
    uint16_t LastWrittenCode() const { return host.written.empty() ? 0 : FrameCommand(host.written.back()); }
    // One tick of the master timer's polling duty.
    void MasterTick() {
        if (PollCountdown > 0)
            --PollCountdown;
        else if (PollCountdown != -1)
            acq.PollLiveData();
    }

    static QByteArray Words(std::initializer_list<std::pair<int, uint16_t>> at, int size) {
        QByteArray payload(size, '\0');
        for (auto [offset, value] : at) {
            payload[offset] = char(value & 0xFF);
            payload[offset + 1] = char(value >> 8);
        }
        return payload;
    }

    // The configuration model reads the settings file of WinDir at its creation.
    struct SettingsFolder {
        QTemporaryDir dir;
        SettingsFolder() { qputenv("WinDir", dir.path().toLocal8Bit()); }
    } settingsFolder;
    TDataMap dataMap;
    int PollCountdown = -1;
    TAcquisitions acq;
    FakeDisplay display;
    FakeLinkHost host;
    TTXQueue queue;
    TReplyDispatcher dispatcher;
};

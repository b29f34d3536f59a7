#pragma once

#include "MapPagesFixture.h"

#include "config/RawImage.h"
#include "editor/SettingsPages.h"
#include "widgets/NumericEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDeadlineTimer>
#include <QSlider>
#include <QSpinBox>
#include <QThread>

// The whole program at 1366 x 768, its settings pages' controls reached by name, optionally
// connected to corvane-ecu-sim with the requests it sends recorded ("W1" a write of block 1,
// "W8/2" of bank 2 of block 8, "fuel 1" a fuel switch with data 1).
class SettingsPagesTest : public MapPagesTest {
protected:
    void Connect(TEcuSim& ecu) {
        ASSERT_TRUE(ecu.IsRunning()) << ecu.ErrorText().toStdString();
        ASSERT_TRUE(WriteSetting(QStringLiteral("COMPORT"), ecu.LinkPath()));
        Create();
        QObject::connect(&FormCommunications->Link, &TSerialLink::FrameLogged, FormMain,
                         [this](const QByteArray& frame, bool out) {
                             if (out) Record(frame);
                         });
        ASSERT_TRUE(WaitFor([] { return SerialLink->ECUisConnected(); }));
        ASSERT_TRUE(WaitFor([this] { return sent.contains("R9") && Idle(); }));
        sent.clear();
    }
    void Record(const QByteArray& frame) {
        const uint16_t code = FrameCommand(frame);
        const QByteArray p = FramePayload(frame);
        const int first = p.isEmpty() ? -1 : uint8_t(p[0]);
        QString text;
        if (code == cmdWriteBlock || code == cmdReadBlock) {
            text = QLatin1Char(code == cmdWriteBlock ? 'W' : 'R') + QString::number(first);
            if (IsBankBlock(first) && p.size() > 1) text += QLatin1Char('/') + QString::number(uint8_t(p[1]));
        } else if (code == cmdFuelSwitch) {
            text = QStringLiteral("fuel %1").arg(first);
        } else {
            return; // polling, probes, VIN and mode
        }
        // A request sent again after a late reply is the same request.
        if (!resending.isEmpty() && resending == frame) return;
        resending = frame;
        sent << text;
    }
    static bool Idle() {
        return !TXQueue->Contains(cmdWriteBlock) && !TXQueue->Contains(cmdReadBlock) &&
               !TXQueue->Contains(cmdFuelSwitch);
    }
    static bool WaitFor(const std::function<bool()>& done, int ms = 30000) {
        const QDeadlineTimer deadline(ms);
        while (!done()) {
            if (deadline.hasExpired()) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(2);
        }
        return true;
    }
    bool Settle() {
        return WaitFor([] { return Idle(); });
    }

    static TSettingsPages& Settings() { return *FormMain->SettingsPages; }
    template <typename T = QWidget> static T* Find(const char* name) {
        T* w = Settings().ControlAs<T>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static void ShowPage(int page) { FormMain->PageControlGeneral->setCurrentIndex(page); }
    // Types text into a plain numeric field and presses Enter, as a technician does.
    static void TypeInto(const char* field, const QString& text) {
        auto* edit = Find<TNumericEdit>(field);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    static QString Today() { return QDate::currentDate().toString(QStringLiteral("ddMMyy")); }

    QStringList sent;
    QByteArray resending;
};

#pragma once

#include "app/Settings.h"
#include "app/UnitMain.h"
#include "common/EcuSim.h"
#include "common/ProgramFixture.h"
#include "common/RunUntil.h"
#include "config/RawImage.h"
#include "config/UnitDati.h"
#include "editor/MapGridPages.h"
#include "editor/UnitModifyData.h"
#include "link/Codec.h"
#include "link/Frames.h"
#include "link/UnitCommunications.h"
#include "live/UnitAcquisizioni.h"

#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QThread>

// The whole program at the size of a 1366 x 768 screen, its map grids reached by name, and the
// keys a technician types.
class MapPagesTest : public ProgramFixture {
protected:
    ~MapPagesTest() override {
        DestroyProgram();
        OperatingMode = SlaveMode;
    }

    void Create() {
        CreateProgram();
        FormMain->setGeometry(0, 0, 1366, 768);
        FormMain->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(FormMain));
    }

    static TMapGridPages& Pages() { return *FormMain->MapGrids; }
    static TNewDrawGrid* Grid(const char* name) {
        return FormMain->findChild<TNewDrawGrid*>(QLatin1String(name));
    }

    // Shows the page that holds grid and waits until the layout has sized its cells.
    static void ShowPageOf(TNewDrawGrid* grid) {
        for (int i = 0; i < TFormMain::PageCount; ++i)
            if (FormMain->Pages[size_t(i)]->isAncestorOf(grid))
                FormMain->PageControlGeneral->setCurrentIndex(i);
        RunUntil([grid] { return grid->isVisible() && grid->DefaultRowHeight() > 10; }, 10000);
    }

    static void Select(TNewDrawGrid* grid, int left, int top, int right, int bottom) {
        grid->SetSelection({left, top, right, bottom});
    }
    static void Type(QWidget* target, const QString& keys) {
        for (QChar c : keys)
            QTest::keyClick(target, c.toLatin1());
    }
    static void Key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(target, key, modifiers);
    }
    // The dialog after a key on a grid: type value, choose how it applies, press Enter.
    static void Apply(const QString& value, QRadioButton* mode) {
        ASSERT_TRUE(FormModify->isVisible());
        mode->setChecked(true);
        FormModify->Edit1->setText(value);
        Key(FormModify->Edit1, Qt::Key_Return);
    }
    static double Value(TMapTypeOfData kind, int row, int index) {
        return DataMap->GetMapValue(kind, row, index);
    }
};

// The program connected to corvane-ecu-sim, its whole configuration read; the requests it sends
// from then on, apart from live-data polling and probes, are recorded in `sent` ("W1" a write of
// block 1, "W8/2" of bank 2 of block 8, "R9" a read, "fuel 1" a fuel switch with data 1, and with
// RecordVinAndMode "VIN r", "VIN w" and "mode").
class EcuPagesTest : public MapPagesTest {
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
        } else if (code == cmdVIN && RecordVinAndMode) {
            text = first == 1 ? QStringLiteral("VIN w") : QStringLiteral("VIN r");
        } else if (code == cmdMode && RecordVinAndMode) {
            text = QStringLiteral("mode");
        } else {
            return; // polling and probes
        }
        // A request sent again after a late reply is the same request.
        if (!resending.isEmpty() && resending == frame) return;
        resending = frame;
        sent << text;
    }
    static bool Idle() {
        return !TXQueue->Contains(cmdWriteBlock) && !TXQueue->Contains(cmdReadBlock) &&
               !TXQueue->Contains(cmdVIN) && !TXQueue->Contains(cmdFuelSwitch) && !TXQueue->Contains(cmdMode);
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
    // Waits until what an edit queued has been answered.
    bool Settle() {
        return WaitFor([] { return Idle(); });
    }

    bool RecordVinAndMode = true;
    QStringList sent;
    QByteArray resending;
};

// The trouble-code window against corvane-ecu-sim: what it reads, clears and writes reaches the
// ECU, and the VIN travels with every full configuration transfer.
#include "DiagnosticsFixture.h"
#include "config/TransferFixture.h"

#include <QLineEdit>
#include <QTabWidget>

namespace {

const QStringList AllBlockWrites = {"W1", "W2", "W3", "W4/1", "W4/2", "W5", "W6", "W7", "W8/1", "W8/2", "W9"};
const QStringList AllBlockReads = {"R1", "R2", "R3", "R4/1", "R4/2", "R5", "R6", "R7", "R8/1", "R8/2", "R9"};

class DiagnosticsOnEcu : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        form = std::make_unique<TFormDiagnostics>(&host);
        model->DiagnosticsView = form.get();
    }
    void TearDown() override {
        link.reset();
        model->DiagnosticsView = nullptr;
        form.reset();
        TransferTest::TearDown();
    }
    void Press(TFormDiagnostics::TPage page, bool clear) {
        form->PageControl->setCurrentIndex(page);
        clear ? form->ButtonClearClick() : form->ButtonUpdateClick();
        ASSERT_TRUE(Settle());
    }

    FakeGuiHost host;
    std::unique_ptr<TFormDiagnostics> form;
};

TEST_F(DiagnosticsOnEcu, ReadsClearsAndReadsAgainCodesAndCounters) {
    TEcuSim ecu;
    ASSERT_TRUE(ecu.Command(QStringLiteral("dtc P3391 U300A 0x1234")));
    ASSERT_TRUE(ecu.Command(QStringLiteral("pending P3110")));
    ASSERT_TRUE(ecu.Command(QStringLiteral("comerror 0xF000")));
    Connect(ecu);
    form->show();
    ASSERT_TRUE(Settle());

    EXPECT_EQ(
        Lines(form->DTCListBox),
        QStringList({"P3391: Sensor power circuit range/performance",
                     "U300A: Link wire between injector 6 and gas ECU – Short circuit to GND or cut wire",
                     "P1234: not a standard code", "Pending P3110: Gas pressure sensor – Too low pressure"}));
    EXPECT_EQ(Lines(form->CountersListBox),
              QStringList({"Driving cycles: 37", "Time on Gas:        1 hours, 31 mins",
                           "Time on Petrol:        1 hours,  0 mins"}));
    EXPECT_TRUE(Lines(form->COMListBox).contains(QStringLiteral("F000: Eeprom write error")));

    dialogs.answers = {mbYes};
    Press(TFormDiagnostics::PageDTC, true);
    EXPECT_EQ(Lines(form->DTCListBox), QStringList({"No trouble code."}));
    EXPECT_EQ(ecu.Value(QStringLiteral("dtc")), QStringLiteral("none"));
    EXPECT_EQ(ecu.Value(QStringLiteral("pending")), QStringLiteral("none"));

    dialogs.answers = {mbYes};
    Press(TFormDiagnostics::PageCounters, true);
    EXPECT_EQ(Lines(form->CountersListBox),
              QStringList({"Driving cycles: 0", "Time on Gas:        0 hours,  0 mins",
                           "Time on Petrol:        0 hours,  0 mins"}));

    // New codes after the clear are read again by Update.
    ASSERT_TRUE(ecu.Command(QStringLiteral("dtc P3230")));
    Press(TFormDiagnostics::PageDTC, false);
    EXPECT_EQ(Lines(form->DTCListBox), QStringList({"P3230: Oxygen sensor 1 – Short circuit to GND"}));
    EXPECT_EQ(dialogs.unanswered, 0);
}

TEST_F(DiagnosticsOnEcu, VinWrittenIsReadBack) {
    TEcuSim ecu;
    Connect(ecu);
    // The connection's configuration read ends with the VIN.
    EXPECT_EQ(form->EditVIN->text(), QStringLiteral("ZFA18800000785316"));

    form->EditVIN->setText(QStringLiteral("WVWZZZ1JZXW000001"));
    form->WriteVIN();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(ecu.Value(QStringLiteral("vin")), QStringLiteral("WVWZZZ1JZXW000001"));

    Press(TFormDiagnostics::PageVIN, true);
    EXPECT_EQ(form->EditVIN->text(), QStringLiteral("WVWZZZ1JZXW000001"));

    // A short VIN is not written: the ECU keeps its own.
    form->EditVIN->setText(QStringLiteral("WVWZZZ"));
    form->WriteVIN();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(ecu.Value(QStringLiteral("vin")), QStringLiteral("WVWZZZ1JZXW000001"));
}

TEST_F(DiagnosticsOnEcu, VinFollowsEveryFullRead) {
    TEcuSim ecu;
    Connect(ecu);
    ASSERT_TRUE(ecu.Command(QStringLiteral("vin SAJAA01T8DL123456")));
    Clear();
    model->UploadAll(true);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(sent, AllBlockReads + QStringList({"VIN r"}));
    EXPECT_EQ(form->EditVIN->text(), QStringLiteral("SAJAA01T8DL123456"));
}

TEST_F(DiagnosticsOnEcu, VinFollowsEveryFullWriteBeforeTheMode) {
    TEcuSim ecu;
    Connect(ecu);
    form->EditVIN->setText(QStringLiteral("VF1BB05CF12345678"));
    Clear();
    model->DownloadAll(true);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(sent, AllBlockWrites + QStringList({"VIN w", "mode 1"}));
    EXPECT_EQ(ecu.Value(QStringLiteral("vin")), QStringLiteral("VF1BB05CF12345678"));
}

} // namespace

// The trouble-code window on its own: what it makes of each reply, what it asks on opening and
// from its buttons, and its COM list.
#include "DiagnosticsFixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <vector>

namespace {

QByteArray Bytes(std::initializer_list<int> bytes) {
    QByteArray a;
    for (int b : bytes)
        a.append(char(b));
    return a;
}

const QString StoredVin = QStringLiteral("ZFA18800000785316");

TEST_F(DiagnosticsWindow, TurnsEachReplyIntoItsLines) {
    struct Step {
        uint16_t request;
        QByteArray payload;
    };
    enum Shown { DTC, COM, Counters, VIN };
    struct Case {
        const char* what;
        std::vector<Step> replies;
        Shown shown;
        QStringList expected;
    };
    const QString p3391 = QStringLiteral("P3391: Sensor power circuit range/performance");
    const QString gasPressureLow = QStringLiteral("P3110: Gas pressure sensor – Too low pressure");
    const Case cases[] = {
        {"stored codes after the reading's two leading bytes",
         {{cmdTroubleCodes, Bytes({0x01, 0x02, 0x91, 0x33, 0x22, 0xC0})}},
         DTC,
         {p3391, QStringLiteral("U0022: not a standard code")}},
        {"a code with a letter among its hexadecimal digits, and a trailing odd byte ignored",
         {{cmdTroubleCodes, Bytes({0x01, 0x01, 0x0A, 0xF0, 0x10, 0x31, 0x07})}},
         DTC,
         {QStringLiteral(
              "U300A: Link wire between injector 6 and gas ECU – Short circuit to GND or cut wire"),
          gasPressureLow}},
        {"a reading without codes lists none",
         {{cmdTroubleCodes, Bytes({0x01, 0x00})}},
         DTC,
         {"No trouble code."}},
        {"a reply that is not a reading lists none, whatever follows",
         {{cmdTroubleCodes, Bytes({0x02, 0x01, 0x91, 0x33})}},
         DTC,
         {"No trouble code."}},
        {"a pending code",
         {{cmdPendingCodes, Bytes({0x0A, 0x30})}},
         DTC,
         {"Pending P300A: not a standard code"}},
        {"pending codes follow the stored ones",
         {{cmdTroubleCodes, Bytes({0x01, 0x01, 0x91, 0x33})}, {cmdPendingCodes, Bytes({0x10, 0x31})}},
         DTC,
         {p3391, "Pending " + gasPressureLow}},
        {"pending codes take the place of \"No trouble code.\"",
         {{cmdTroubleCodes, Bytes({0x01, 0x00})}, {cmdPendingCodes, Bytes({0x10, 0x31})}},
         DTC,
         {"Pending " + gasPressureLow}},
        {"no pending code keeps \"No trouble code.\"",
         {{cmdTroubleCodes, Bytes({0x01, 0x00})}, {cmdPendingCodes, Bytes({0x10})}},
         DTC,
         {"No trouble code."}},
        {"the error log", {{cmdComErrors, Bytes({0x00, 0xF0})}}, COM, {"F000: Eeprom write error"}},
        {"an error the table does not know",
         {{cmdComErrors, Bytes({0x07, 0x00})}},
         COM,
         {"0007: Unknown COM error"}},
        {"the log, line by line",
         {{cmdComErrors, Bytes({0x00, 0x00, 0x0A, 0x00})}},
         COM,
         {"0000: No error", "000A: Unknown serial command"}},
        {"any reply fills the empty COM list", {{cmdCounters, Bytes({0x02})}}, COM, {"No error."}},
        {"the counters",
         {{cmdCounters, Bytes({0x01, 0x25, 0, 0, 0, 0x5B, 0, 0, 0, 0x3C, 0, 0, 0})}},
         Counters,
         {"Driving cycles: 37", "Time on Gas:        1 hours, 31 mins",
          "Time on Petrol:        1 hours,  0 mins"}},
        {"counters beyond a byte, in full",
         {{cmdCounters, Bytes({0x01, 0x10, 0x27, 0, 0, 0xA0, 0x86, 0x01, 0, 0x3B, 0, 0, 0})}},
         Counters,
         {"Driving cycles: 10000", "Time on Gas:     1666 hours, 40 mins",
          "Time on Petrol:        0 hours, 59 mins"}},
        {"the answer to a clear is no reading", {{cmdCounters, Bytes({0x02})}}, Counters, {}},
        {"a cut reading shows no made-up zeros",
         {{cmdCounters, Bytes({0x01, 0x25, 0, 0, 0, 0x5B})}},
         Counters,
         {}},
        {"a VIN", {{cmdVIN, "\x02WVWZZZ1JZXW000001"}}, VIN, {"WVWZZZ1JZXW000001"}},
        {"a VIN reply one byte short", {{cmdVIN, "\x02WVWZZZ1JZXW00000"}}, VIN, {StoredVin}},
        {"a VIN reply one byte long", {{cmdVIN, "\x02WVWZZZ1JZXW0000012"}}, VIN, {StoredVin}},
        {"a VIN reply of the wrong kind", {{cmdVIN, "\x01WVWZZZ1JZXW000001"}}, VIN, {StoredVin}},
        {"the acknowledgement of a VIN write", {{cmdVIN, "\x01"}}, VIN, {StoredVin}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        form.reset();
        form = std::make_unique<TFormDiagnostics>(&host);
        form->EditVIN->setText(StoredVin);
        for (const Step& step : c.replies)
            Reply(step.request, step.payload);
        switch (c.shown) {
        case DTC:
            EXPECT_EQ(Lines(form->DTCListBox), c.expected);
            break;
        case COM:
            EXPECT_EQ(Lines(form->COMListBox), c.expected);
            break;
        case Counters:
            EXPECT_EQ(Lines(form->CountersListBox), c.expected);
            break;
        case VIN:
            EXPECT_EQ(QStringList(form->EditVIN->text()), c.expected);
            break;
        }
    }
}

TEST_F(DiagnosticsWindow, EveryCodeOfTheTableFindsItsDescription) {
    // The codes are sent as numbers and looked up as text: each must survive the round trip.
    for (const char* code :
         {"P3391", "P3121", "P3110", "P3220", "U3000", "U300E", "P3200", "P320A", "P3234"}) {
        SCOPED_TRACE(code);
        const QString text = QLatin1String(code);
        const uint16_t letter = uint16_t(QStringLiteral("PCBU").indexOf(text[0]));
        const uint16_t number =
            uint16_t(letter << 14 | text.mid(1, 1).toUShort() << 12 | text.mid(2).toUShort(nullptr, 16));
        form.reset();
        form = std::make_unique<TFormDiagnostics>(&host);
        Reply(cmdTroubleCodes, Bytes({0x01, 0x01, number & 0xFF, number >> 8}));
        ASSERT_EQ(form->DTCListBox->count(), 1);
        EXPECT_TRUE(form->DTCListBox->item(0)->text().startsWith(text + QStringLiteral(": ")));
        EXPECT_FALSE(form->DTCListBox->item(0)->text().endsWith(QStringLiteral("not a standard code")));
    }
}

TEST_F(DiagnosticsWindow, OpeningReadsTheLogUntilTheComListHoldsALine) {
    // The connection reads the VIN before anyone opens the window; "No error." then stands for
    // a log not read yet.
    Reply(cmdVIN, "\x02" + StoredVin.toLatin1());
    ASSERT_EQ(Lines(form->COMListBox), QStringList({"No error."}));
    form->show();
    EXPECT_EQ(form->PageControl->currentIndex(), TFormDiagnostics::PageCOM);
    EXPECT_EQ(TakeRequests(), QStringList({"05", "04 01", "15", "14 01"}));

    Reply(cmdComErrors, Bytes({0x00, 0x00}));
    Reply(cmdTroubleCodes, Bytes({0x01, 0x01, 0x91, 0x33}));
    Reply(cmdCounters, Bytes({0x01, 0x25, 0, 0, 0, 0x5B, 0, 0, 0, 0x3C, 0, 0, 0}));
    form->hide();
    form->show();
    EXPECT_EQ(TakeRequests(), QStringList({"04 01", "15", "14 01"}));
    // The lists that are read again are emptied; the COM list keeps its lines.
    EXPECT_EQ(form->DTCListBox->count(), 0);
    EXPECT_EQ(form->CountersListBox->count(), 0);
    EXPECT_EQ(Lines(form->COMListBox), QStringList({"0000: No error"}));
    // Nothing reads the VIN on opening.
}

TEST_F(DiagnosticsWindow, ComErrorReplacesOnlyTheNoErrorLine) {
    form->AddComError(QStringLiteral("Frame time-out error"));
    EXPECT_EQ(Lines(form->COMListBox), QStringList({"Frame time-out error"}));

    form->COMListBox->clear();
    Reply(cmdCounters, Bytes({0x02}));
    ASSERT_EQ(Lines(form->COMListBox), QStringList({"No error."}));
    form->AddComError(QStringLiteral("Frame time-out error"));
    form->AddComError(QStringLiteral("ECU does not support command 0x000B"));
    EXPECT_EQ(Lines(form->COMListBox),
              QStringList({"Frame time-out error", "ECU does not support command 0x000B"}));

    // A line that only reads like the placeholder is a line of the log, and stays.
    form->COMListBox->clear();
    form->AddComError(QStringLiteral("No error."));
    form->AddComError(QStringLiteral("Frame time-out error"));
    EXPECT_EQ(form->COMListBox->count(), 2);
}

TEST_F(DiagnosticsWindow, ComListKeepsTheNewestLines) {
    for (int i = 0; i < TFormDiagnostics::MaxComErrors + 25; ++i)
        form->AddComError(QStringLiteral("line %1").arg(i));
    ASSERT_EQ(form->COMListBox->count(), TFormDiagnostics::MaxComErrors);
    EXPECT_EQ(form->COMListBox->item(0)->text(), QStringLiteral("line 25"));
    EXPECT_EQ(form->COMListBox->item(TFormDiagnostics::MaxComErrors - 1)->text(),
              QStringLiteral("line %1").arg(TFormDiagnostics::MaxComErrors + 24));
}

TEST_F(DiagnosticsWindow, ToolBarActsOnThePageShownAndAsksBeforeClearing) {
    struct Case {
        const char* what;
        TFormDiagnostics::TPage page;
        bool clear;
        QList<TMsgButton> answers;
        QStringList requests;
        bool listEmptied;
        QString question;
    };
    const QString clearCodes = QStringLiteral("Clearing trouble codes.\nDo you want to proceed ?");
    const QString clearCounters = QStringLiteral("Clearing all counters.\nDo you want to proceed ?");
    const Case cases[] = {
        {"DTC update", TFormDiagnostics::PageDTC, false, {}, {"04 01", "15"}, true, {}},
        {"DTC clear, yes",
         TFormDiagnostics::PageDTC,
         true,
         {mbYes},
         {"04 02", "04 01", "15"},
         true,
         clearCodes},
        {"DTC clear, no", TFormDiagnostics::PageDTC, true, {mbNo}, {}, false, clearCodes},
        {"VIN update", TFormDiagnostics::PageVIN, false, {}, {"16 02"}, false, {}},
        {"VIN clear", TFormDiagnostics::PageVIN, true, {}, {"16 02"}, true, {}},
        {"COM update", TFormDiagnostics::PageCOM, false, {}, {"05"}, false, {}},
        {"COM clear", TFormDiagnostics::PageCOM, true, {}, {"05"}, true, {}},
        {"Counters update", TFormDiagnostics::PageCounters, false, {}, {"14 01"}, true, {}},
        {"Counters clear, yes",
         TFormDiagnostics::PageCounters,
         true,
         {mbYes},
         {"14 02", "14 01"},
         true,
         clearCounters},
        {"Counters clear, no", TFormDiagnostics::PageCounters, true, {mbNo}, {}, false, clearCounters},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        form.reset();
        form = std::make_unique<TFormDiagnostics>(&host);
        Reply(cmdTroubleCodes, Bytes({0x01, 0x01, 0x91, 0x33}));
        Reply(cmdComErrors, Bytes({0x00, 0xF0}));
        Reply(cmdCounters, Bytes({0x01, 0x25, 0, 0, 0, 0x5B, 0, 0, 0, 0x3C, 0, 0, 0}));
        Reply(cmdVIN, "\x02" + StoredVin.toLatin1());
        const QListWidget* list = c.page == TFormDiagnostics::PageDTC   ? form->DTCListBox
                                  : c.page == TFormDiagnostics::PageCOM ? form->COMListBox
                                                                        : form->CountersListBox;
        const bool hadLines =
            c.page == TFormDiagnostics::PageVIN ? !form->EditVIN->text().isEmpty() : list->count() > 0;
        ASSERT_TRUE(hadLines);
        dialogs.asked.clear();
        dialogs.answers = c.answers;

        form->PageControl->setCurrentIndex(c.page);
        QTest::mouseClick(c.clear ? form->ButtonClear : form->ButtonUpdate, Qt::LeftButton);

        EXPECT_EQ(TakeRequests(), c.requests);
        EXPECT_EQ(dialogs.asked, c.question.isEmpty() ? QStringList() : QStringList(c.question));
        const bool empty =
            c.page == TFormDiagnostics::PageVIN ? form->EditVIN->text().isEmpty() : list->count() == 0;
        EXPECT_EQ(empty, c.listEmptied);
    }
}

TEST_F(DiagnosticsWindow, ClearingTheComPageLetsRefusedCommandsBeTriedAgain) {
    // The ECU refused the counters once; from then on the queue drops every counters request.
    form->ReadCounters();
    queue.MarkUnsupported();
    ASSERT_TRUE(queue.IsUnsupported(cmdCounters));
    TakeRequests();

    form->PageControl->setCurrentIndex(TFormDiagnostics::PageCOM);
    form->ButtonClearClick();
    TakeRequests();
    EXPECT_FALSE(queue.IsUnsupported(cmdCounters));
    form->ReadCounters();
    EXPECT_EQ(TakeRequests(), QStringList({"14 01"}));
}

TEST_F(DiagnosticsWindow, VinFieldTakesCapitalsAndWritesOnlyAWholeVin) {
    form->show();
    form->PageControl->setCurrentIndex(TFormDiagnostics::PageVIN);
    TakeRequests();
    form->EditVIN->setFocus();

    QTest::keyClicks(form->EditVIN, QStringLiteral("wvwzzz1jz"));
    EXPECT_EQ(form->EditVIN->text(), QStringLiteral("WVWZZZ1JZ"));
    // A short VIN is neither written by Enter nor by the button, and nothing is said.
    QTest::keyClick(form->EditVIN, Qt::Key_Return);
    QTest::mouseClick(form->ButtonWriteVIN, Qt::LeftButton);
    EXPECT_EQ(TakeRequests(), QStringList());
    EXPECT_TRUE(dialogs.told.isEmpty());

    // Characters the ECU could not store as one byte each are refused; the 18th is not taken.
    QTest::keyClick(form->EditVIN, Qt::Key_X);
    QKeyEvent polish(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("ł"));
    QApplication::sendEvent(form->EditVIN, &polish);
    QTest::keyClicks(form->EditVIN, QStringLiteral("w0000012"));
    EXPECT_EQ(form->EditVIN->text(), QStringLiteral("WVWZZZ1JZXW0000012").left(17));
    QTest::keyClick(form->EditVIN, Qt::Key_Enter);
    QTest::mouseClick(form->ButtonWriteVIN, Qt::LeftButton);
    QTest::mouseClick(form->ButtonReadVIN, Qt::LeftButton);
    const QString write =
        QStringLiteral("16 01 ") + QString::fromLatin1(QByteArray("WVWZZZ1JZXW000001").toHex(' ').toUpper());
    EXPECT_EQ(TakeRequests(), QStringList({write, write, "16 02"}));
}

TEST_F(DiagnosticsWindow, VinReadFromTheEcuIsWrittenBackByteForByte) {
    // Whatever the ECU keeps, even bytes that are no letters, goes back unchanged with the
    // configuration.
    const QByteArray kept = QByteArray("\x02") + QByteArray(17, '\xFF');
    Reply(cmdVIN, kept);
    form->WriteVIN();
    EXPECT_EQ(TakeRequests(),
              QStringList({QStringLiteral("16 01 ") +
                           QString::fromLatin1(QByteArray(17, '\xFF').toHex(' ').toUpper())}));
}

} // namespace

#include "LinkFixture.h"
#include "app/UnitMain.h"
#include "link/LogDump.h"
#include "link/UnitCommunications.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// The Log window with its main window, over ports the test lists.
class LogWindow : public LinkFixture {
protected:
    void Open() {
        form = std::make_unique<TFormCommunications>(&main, nullptr, false);
        QObject::connect(&form->Link, &TSerialLink::StatusText,
                         [this](int panel, const QString& text) { status[panel == 0 ? 0 : 1] << text; });
        form->Link.SetClients(&clients);
        form->Link.Start();
        form->Link.StopMasterTimer();
    }
    ~LogWindow() override { form.reset(); }

    QStringList Lines() const { return form->LogText().split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
    template <typename T> T* Find(const char* name) const { return form->findChild<T*>(QLatin1String(name)); }

    TFormMain main;
    std::unique_ptr<TFormCommunications> form;
};

QByteArray Bytes(int n) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char('a' + i % 26));
    return b;
}

TEST_F(LogWindow, EachFrameTakesOneLineForEachStartedSixteenBytes) {
    Open();
    const std::pair<int, int> cases[] = {{9, 1}, {16, 1}, {17, 2}, {33, 3}};
    for (const auto& [bytes, lines] : cases) {
        SCOPED_TRACE(bytes);
        form->ClearLog();
        form->LogData(Bytes(bytes), true);
        const QStringList shown = Lines();
        ASSERT_EQ(shown.size(), lines);
        // The time leads the first line; the rest is the dump.
        const QStringList dump = LogDumpLines(Bytes(bytes), true, QStringLiteral("T"));
        EXPECT_TRUE(shown[0].endsWith(dump[0].mid(1)));
        EXPECT_TRUE(shown[0].contains(QStringLiteral(" TX> ")));
        // The text column stays aligned on the last, shorter line.
        const int lastBytes = bytes % 16 == 0 ? 16 : bytes % 16;
        if (lines > 1) {
            EXPECT_EQ(shown.last().size() - lastBytes, shown[0].size() - 16);
        }
    }
}

TEST_F(LogWindow, PauseStopsFramesButNotTheBootMonitorTextAndClearEmpties) {
    Open();
    auto* pause = Find<QPushButton>("PauseButton");
    ASSERT_TRUE(pause && pause->isCheckable());
    pause->click();
    EXPECT_TRUE(form->Paused);
    form->LogData(Bytes(9), true);
    EXPECT_EQ(form->LogLineCount(), 0);
    form->ComPortEcho("Boot\r\nready\r");
    EXPECT_EQ(Lines(), QStringList({"Boot", "ready"}));
    pause->click();
    form->LogData(Bytes(9), false);
    EXPECT_EQ(Lines().size(), 3);
    Find<QPushButton>("ClearButton")->click();
    EXPECT_EQ(form->LogLineCount(), 0);
}

TEST_F(LogWindow, LogPastAThousandLinesIsClearedBeforeTheNextFrame) {
    Open();
    for (int i = 0; i < 1001; ++i)
        form->LogData(Bytes(9), true);
    EXPECT_EQ(form->LogLineCount(), 1001);
    form->LogData(Bytes(17), false);
    EXPECT_EQ(form->LogLineCount(), 2);
}

TEST_F(LogWindow, BootTextStartsLinesOnCarriageReturnAndIgnoresLineFeeds) {
    Open();
    form->ComPortEcho("Type ESC\r\n");
    form->ComPortEcho("to enter\rmon");
    form->ComPortEcho("itor");
    EXPECT_EQ(Lines(), QStringList({"Type ESC", "to enter", "monitor"}));
}

TEST_F(LogWindow, CaptionsLabelsAndStayingOnTop) {
    PtyLine line;
    ports = {line.path};
    Open();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Log"));
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    QStringList captions;
    for (QLabel* label : form->findChildren<QLabel*>())
        captions << label->text();
    for (const char* text : {"Queued:", "Port:", "Rate:", "TX:", "RX:"})
        EXPECT_TRUE(captions.contains(QLatin1String(text))) << text;
    EXPECT_EQ(Find<QLabel>("PortLabel")->text(), line.path);
    EXPECT_EQ(Find<QLabel>("BaudRateLabel")->text(), QStringLiteral("9600"));
    form->Link.SendConnectProbe();
    EXPECT_EQ(Find<QLabel>("EnqdFrmNumLabel")->text(), QStringLiteral("1"));
    EXPECT_EQ(Lines().size(), 1); // the probe, as sent
    auto* light = Find<TActivityLight>("LightTX");
    ASSERT_TRUE(light);
    EXPECT_TRUE(light->Lit());
}

TEST_F(LogWindow, ComMenuListsThePortsAndChoosingOneSavesIt) {
    PtyLine a, b, c;
    ports = {a.path, b.path, c.path};
    std::sort(ports.begin(), ports.end());
    Setting(QStringLiteral("COM_AUTOSCAN"), QStringLiteral("TRUE"));
    Open();
    for (int i = 0; i < 6; ++i) {
        QAction* action = main.ComActions[size_t(i)];
        SCOPED_TRACE(i);
        EXPECT_EQ(action->isVisible(), i < 3);
        if (i < 3) {
            EXPECT_EQ(action->text(), ports[i]);
        }
        EXPECT_EQ(action->isChecked(), i == 0); // the first port, as there is no COMPORT
    }
    EXPECT_TRUE(main.ECUScanCOM->isChecked());

    main.ComActions[2]->trigger();
    EXPECT_EQ(form->Link.PortName(), ports[2]);
    EXPECT_TRUE(form->Link.PortIsOpen());
    EXPECT_FALSE(form->Link.ScanCOM());
    EXPECT_FALSE(main.ECUScanCOM->isChecked());
    EXPECT_TRUE(main.ComActions[2]->isChecked());
    EXPECT_FALSE(main.ComActions[0]->isChecked());
    EXPECT_EQ(main.StatusText(0), QStringLiteral("Trying on ") + ports[2]);
    EXPECT_EQ(ReadSetting(QStringLiteral("COMPORT")), ports[2]);
    EXPECT_EQ(ReadSetting(QStringLiteral("COM_AUTOSCAN")), QStringLiteral("FALSE"));
    EXPECT_TRUE(TXQueue->Enabled());

    main.ECUScanCOM->trigger();
    EXPECT_TRUE(form->Link.ScanCOM());
    EXPECT_EQ(ReadSetting(QStringLiteral("COM_AUTOSCAN")), QStringLiteral("TRUE"));
}

} // namespace

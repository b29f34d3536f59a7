#pragma once

#include "common/ScriptedDialogs.h"
// Also the printer of QString that every test of this folder uses.
#include "config/ModelFixture.h"
#include "diagnostics/UnitDiagnostics.h"
#include "link/Codec.h"
#include "link/FakeLinkHost.h"
#include "link/Frames.h"
#include "windows/GuiHost.h"

#include <QListWidget>
#include <QStringList>
#include <gtest/gtest.h>
#include <map>
#include <memory>

inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

// The main window as the small windows see it: it counts the interface timer's countdowns.
class FakeGuiHost : public TGuiHost {
public:
    std::map<TGuiCountdown, int> countdowns;

    int ScreenScale() const override { return 100; }
    void SetCountdown(TGuiCountdown countdown, int ticks) override { countdowns[countdown] = ticks; }
    QRect NoticeArea() const override { return {0, 0, 1366, 740}; }
    QRect LambdaChartScreenRect() const override { return {}; }
    void ReturnFocus() override {}
    void SetStatusText(int, const QString&) override {}
    TComMenuActions ComMenu() override { return {}; }
};

inline QStringList Lines(const QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

// The diagnostics window on a transmit queue whose port only records: requests stay queued in
// their order until a test takes them, and replies are handed to the window directly.
class DiagnosticsWindow : public ::testing::Test {
protected:
    DiagnosticsWindow() : queue(&port, &port) {
        TXQueue = &queue;
        form = std::make_unique<TFormDiagnostics>(&host);
    }
    ~DiagnosticsWindow() override {
        queue.Flush();
        form.reset();
        TXQueue = nullptr;
    }

    // Every request queued so far, oldest first, as "code payload" in hexadecimal ("04 01").
    QStringList TakeRequests() {
        QStringList requests;
        while (!queue.IsEmpty()) {
            const QByteArray& data = queue.HeadFrame()->Data;
            QString text = QStringLiteral("%1").arg(FrameCommand(data), 2, 16, QLatin1Char('0'));
            const QByteArray payload = FramePayload(data);
            if (!payload.isEmpty())
                text += QLatin1Char(' ') + QString::fromLatin1(payload.toHex(' ').toUpper());
            requests << text;
            queue.Dequeue();
        }
        return requests;
    }
    void Reply(uint16_t request, const QByteArray& payload) {
        TFrame frame;
        frame.Data = BuildFrame(ReplyCode(request), payload);
        form->FrameReceived(frame);
    }

    FakeLinkHost port;
    TTXQueue queue;
    FakeGuiHost host;
    ScriptedDialogs dialogs;
    std::unique_ptr<TFormDiagnostics> form;
};

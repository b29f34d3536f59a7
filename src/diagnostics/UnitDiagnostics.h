#pragma once

#include "StringIds.h"
#include "config/DataMapViews.h"
#include "link/Frames.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QToolButton;
class TGuiHost;

// The "Diagnostic trouble codes" window: the ECU's stored and pending trouble codes, its
// communication error log together with the link's own messages, its counters, and the VIN it
// keeps. The configuration model reads the VIN through it after every configuration read and
// writes it after every configuration write.
class TFormDiagnostics : public QWidget, public TConsumerInterface, public TDiagnosticsView {
    Q_OBJECT
public:
    enum TPage { PageDTC = 0, PageVIN = 1, PageCOM = 2, PageCounters = 3 };

    explicit TFormDiagnostics(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormDiagnostics() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();

    // A line for the COM page, from the ECU's error log or from the link; the list keeps the
    // newest MaxComErrors lines, so a link that fails for hours cannot fill the memory.
    static constexpr int MaxComErrors = 1000;
    void AddComError(const QString& message);

    // ---- Requests, each answered through FrameReceived ----
    void ReadTroubleCodes();
    void ReadPendingCodes();
    void ClearTroubleCodes();
    void ReadComErrors();
    void ReadCounters();
    void ClearCounters();
    void ReadVIN() override;
    // Sends nothing unless EditVIN holds a whole VIN.
    void WriteVIN() override;

signals:
    // The ECU answered a VIN read; Vin as it came, padding included.
    void VinReceived(const QString& Vin);

public:

    // ---- TConsumerInterface ----
    void FrameReceived(const TFrame& Reply) override;
    void FrameDiscarded() override {}
    void FrameFailed() override {}

    // ---- Event handlers ----
    void FormShow();
    // The tool bar's buttons act on the page shown.
    void ButtonUpdateClick();
    void ButtonClearClick();

    QToolButton* ButtonUpdate = nullptr;
    QToolButton* ButtonClear = nullptr;
    QTabWidget* PageControl = nullptr;
    QListWidget* DTCListBox = nullptr;
    QGroupBox* GroupBoxVIN = nullptr;
    QLabel* LabelVINRuler = nullptr;
    QLineEdit* EditVIN = nullptr;
    QPushButton* ButtonReadVIN = nullptr;
    QPushButton* ButtonWriteVIN = nullptr;
    QListWidget* COMListBox = nullptr;
    QListWidget* CountersListBox = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    void Send(uint16_t command, const QByteArray& payload);
    // Puts the ruler's digits above the characters of EditVIN.
    void AlignVINRuler();
    // An empty list shows that it has nothing to show.
    void ShowPlaceholders();
    bool Confirmed(StringId question);

    TGuiHost* Host;
};

extern TFormDiagnostics* FormDiagnostics;

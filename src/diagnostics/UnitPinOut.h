#pragma once

#include "diagnostics/PinTables.h"

#include <QWidget>

class QComboBox;
class QListWidget;
class QSpacerItem;
class TConnectorPicture;
class TGuiHost;
class TPinMarker;

// The "ECU pin-out" window: the signal of each of the 56 connector pins of either hardware
// model, in four lists beside a picture of the connector on which the chosen pin blinks.
class TFormPinOut : public QWidget {
    Q_OBJECT
public:
    // Ticks of the interface timer between two blink steps.
    static constexpr int BlinkTicks = 5;

    explicit TFormPinOut(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormPinOut() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();

    void FormShow();
    // Fills the lists from the table of the model chosen in ScegliECU.
    void ScegliECUChange();
    // A line of a list was chosen: its pin is marked on the picture and starts blinking.
    void ListBoxClick(TPinList list, int line);
    // One step of the marker blink, run by the main window's TimerGUI while PinOutCountdown is 0.
    void BlinkStep();

    QListWidget* List(TPinList list) const;
    TPinMarker* Marker(TPinList list) const;

    QComboBox* ScegliECU = nullptr;
    QListWidget* ListBox1 = nullptr;
    QListWidget* ListBox15 = nullptr;
    QListWidget* ListBox29 = nullptr;
    QListWidget* ListBox43 = nullptr;
    TConnectorPicture* Image1 = nullptr;
    TPinMarker* Marker1 = nullptr;
    TPinMarker* Marker15 = nullptr;
    TPinMarker* Marker29 = nullptr;
    TPinMarker* Marker43 = nullptr;
    int BlinkCounter = 0;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CreateControls();
    // The lists show their 14 lines without scrolling, each list beside its block of pins.
    void FitLists();
    void SetBlinkCountdown(int ticks);

    TGuiHost* Host;
    QSpacerItem* LeftTop = nullptr;
    QSpacerItem* LeftMiddle = nullptr;
    QSpacerItem* RightTop = nullptr;
    QSpacerItem* RightMiddle = nullptr;
};

extern TFormPinOut* FormPinOut;

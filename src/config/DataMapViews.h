#pragma once

#include "config/SettingList.h"

#include <QString>

class QObject;
class TConsumerInterface;

// What the configuration model needs from the windows that show it. The model includes no
// widget: the main window implements TMainView, the adaptivity window TAdaptivityView, and tests
// supply their own. Every operation has a harmless default, so a window implements what it has.

// The date editors of the main window's "General" page, as values and as the texts they show.
struct TDateEditors {
    int DayEdit = 1;
    int MonthEdit = 1;
    int YearEdit = 2000;
    QString DayText;
    QString MonthText;
    QString YearText;
};

// The current content of every settings editor of the main window, one member per control of
// the settings list, named after the control: lists give their item index, editable lists and
// texts their text, check boxes and two-state buttons their checked state, numeric fields their
// value (the integer value for an integer field), sliders their value.
struct TSettingEditors {
#define CORVANE_EDITOR_MEMBER(ValueType, Control) ValueType Control{};
#define CORVANE_SETTING_EDITOR(Type, Field, Init, Block, Unit, Control, Kind, ...)                           \
    CORVANE_WITH_CONTROL(Kind, CORVANE_EDITOR_MEMBER, Control)
    CORVANE_SETTINGS(CORVANE_SETTING_EDITOR)
#undef CORVANE_SETTING_EDITOR
#undef CORVANE_EDITOR_MEMBER
};

// The editors of the adaptivity window. EditMinY and EditMaxY hold milliseconds in Slave mode
// and mbar in Compensated mode, where the model takes their integer values.
struct TAdaptivityEditors {
    double SliderTempoPermanenza = 0;
    int EditMinGiri = 0;
    int EditMaxGiri = 0;
    double SliderCorrection = 0;
    double EditMinY = 0;
    double EditMaxY = 0;
    int EditMinYInteger = 0;
    int EditMaxYInteger = 0;
};

// A numeric edit box as the range check sees it.
struct TNumericEditorState {
    bool HoldsReal = false; // a real editor, else an integer one
    double RealValue = 0;
    int IntegerValue = 0;
    double MinValue = 0;
    double MaxValue = 0;
};

// The two speed editors that the range check keeps on multiples of 100 rpm.
enum class TSpeedEditor { EditSogliaGiri, RPMThresholdEdit };

// The three map grids that the model asks to repaint.
enum class TMapGridId { MappaGas_Slave, MappaGas_Comp, MappaBenzina };

class TMainView {
public:
    virtual ~TMainView() = default;

    // Fills editors with the current content of the settings editors; false when there are none.
    virtual bool ReadSettingEditors(TSettingEditors& editors) {
        (void)editors;
        return false;
    }
    // The date editors only; false when there are none.
    virtual bool ReadDateEditors(TDateEditors& date) {
        (void)date;
        return false;
    }
    virtual void RefreshPages() {}
    virtual void RefreshStatusControls() {}
    virtual void SetCaption(const QString& caption) { (void)caption; }
    // The Undo button and the "&Undo" action.
    virtual void SetUndoEnabled(bool enabled) { (void)enabled; }

    // The range check: describes Sender when it is a numeric edit box (of any window).
    virtual bool NumericEditorState(const QObject* sender, TNumericEditorState& state) {
        (void)sender;
        (void)state;
        return false;
    }
    virtual bool SpeedEditorValue(TSpeedEditor editor, int& value) {
        (void)editor;
        (void)value;
        return false;
    }
    // Sets the editor with the change guard held, so that no change handler runs.
    virtual void SetSpeedEditorValue(TSpeedEditor editor, int value) {
        (void)editor;
        (void)value;
    }

    // Map grids after their data changed behind them.
    virtual void UpdateColourRanges() {}
    virtual void RepaintMapGrid(TMapGridId grid) { (void)grid; }
    // The slave map check window follows the slave gas map.
    virtual void RefreshMapCheck() {}
    // The configuration's Bank changed: the gas maps and the bank button show the new one.
    virtual void BankSwitched() {}

    // The index of the page shown (General 0 ... Drivability 7); -1 when there is none.
    virtual int ActivePage() { return -1; }
    // The status panel under the pages.
    virtual void RefreshStatusPanel() {}
    // The Download button stops showing that the configuration still has to be written.
    virtual void ClearDownloadPending() {}
    // A notice that fades in, stays for about the given time and fades out by itself.
    virtual void ShowTransientMessage(const QString& text, int milliseconds) {
        (void)text;
        (void)milliseconds;
    }
    // The pages and commands of OperatingMode, after a file changed the mode.
    virtual void ShowOperatingModePages() {}
    // Brings the gas-map page of OperatingMode to the front (a tool about to change that map).
    virtual void ShowGasMapPage() {}
    // The window's "Save as" command, when the user declines to overwrite a file of another
    // version of the tool.
    virtual void SaveAs() {}
    // The folder for a configuration that is in no file yet (the last file dialog's, else the
    // user's documents); empty: none, the name stays without a folder.
    virtual QString FileFolder() { return {}; }
    // The receiver of the reply to the mode request that follows a full write; null: nobody.
    virtual TConsumerInterface* ModeReplyConsumer() { return nullptr; }
};

// The diagnostics window keeps the VIN: it is read after the configuration is read from the
// ECU and written after the configuration is written.
class TDiagnosticsView {
public:
    virtual ~TDiagnosticsView() = default;
    virtual void ReadVIN() {}
    // Sends nothing unless the window holds a whole VIN.
    virtual void WriteVIN() {}
};

class TAdaptivityView {
public:
    virtual ~TAdaptivityView() = default;
    virtual bool ReadAdaptivityEditors(TAdaptivityEditors& editors) {
        (void)editors;
        return false;
    }
    virtual void RefreshEditors() {}
};

#pragma once

#include "config/DataMapViews.h"
#include "config/SettingList.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QWidget;
class TLeaderLabel;
class TMapGridPages;
class TNumericEdit;

// What the settings pages need of the main window that holds them.
struct TSettingsPagesHost {
    bool* GUIUpdating = nullptr;           // the window's change guard
    int32_t* RangeHintCountdown = nullptr; // TimerGUI countdowns, in 40 ms ticks
    int32_t* PowerButtonCountdown = nullptr;
    std::function<void()> OpenAutotuning;
    std::function<void()> OpenAdaptiveParams;
    std::function<void()> RefreshMapCheck;
    std::function<void()> ClearLambdaChart;
    std::function<void()> ShowStatusLayout;
};

// The pages of the main window that hold the settings, and where they go.
struct TSettingsPagePlaces {
    QWidget* General = nullptr;
    QWidget* Functions = nullptr;
    QWidget* Lambda = nullptr;
    QWidget* Drivability = nullptr;
    TMapGridPages* Grids = nullptr; // its grids' group boxes join the settings' grid of boxes
};

// The settings pages: every control of the list of settings (SettingList.h), built from its row
// (objectName, kind, limits, format, caption, hint) and placed by each page's layout below; the
// two directions between the controls and the model; the common change handler and the handlers
// of the controls whose change does more; the rules that enable controls by other settings; the
// range hint and the focus highlight of the group boxes.
class TSettingsPages : public QObject {
    Q_OBJECT
public:
    TSettingsPages(const TSettingsPagePlaces& Places, const TSettingsPagesHost& Host,
                   QObject* parent = nullptr);

    // Captions, list items and group titles from the string table; at creation and after a
    // language switch.
    void ApplyCaptions();
    // Every control from the model, with the enabling rules; GUIUpdating is set meanwhile and
    // cleared at the end.
    void ShowConfiguration();
    void ShowConfigurationDate();
    // The groups of the operating mode, and the "Enabled" boxes of emulation and gas trim again.
    void ApplyOperatingMode(bool Compensated);

    // TMainView's reading of the controls.
    bool ReadSettingEditors(TSettingEditors& e) const;
    bool ReadDateEditors(TDateEditors& d) const;
    static bool NumericEditorState(const QObject* sender, TNumericEditorState& state);
    bool SpeedEditorValue(TSpeedEditor editor, int& value) const;
    void SetSpeedEditorValue(TSpeedEditor editor, int value);

    // The common change handler: range check, undo snapshot, date stamp, the active page's
    // blocks to the ECU, unsaved, redisplay. Nothing while GUIUpdating is set.
    void GUIChanged(QObject* Sender);
    // The handlers of the controls whose change does more than store the value.
    void ComboBoxCarburanteChange();
    void PressureReducerTypeChange();
    void ComboBoxTipoLambdaChange();
    void ComboBoxTipoTPSChange();
    void ComboBoxTipoIniettoriChange();
    void PressureSensorTypeChange();
    void ComboBoxTipoCambioChange();
    void EnableBoxClick(QCheckBox* Box);
    void DateChange();
    void ButtonTodayClick();
    // The power-mode button: pressed, released, and held past its countdown.
    void PowerSwitchButtonDown();
    void PowerSwitchButtonUp();
    void PowerButtonLongPress();

    // The range hint over the focused plain numeric field, when RangeHintCountdown expires.
    void ShowRangeHint();
    void GUIShowRange(QWidget* Field);
    void GUIHideRange();
    // The focus highlight of the group box (or settings panel) that holds the focus.
    void BoxEnter(QWidget* Box);
    void BoxExit();

    // The control of a setting (or any widget of the pages) by objectName.
    QWidget* Control(const char* Name) const;
    template <typename T> T* ControlAs(const char* Name) const { return qobject_cast<T*>(Control(Name)); }

    QPushButton* ButtonToday = nullptr;
    QPushButton* ButtonTurbo = nullptr;
    QPushButton* ButtonAutotuning = nullptr;
    QPushButton* PowerSwitchButton = nullptr;
    QGroupBox* GroupPetrolMapSettings = nullptr;
    QGroupBox* GroupSlaveDelays = nullptr;
    QLineEdit* GUIShowRangeLabel = nullptr;
    QWidget* FocusedBoxGradient = nullptr;
    // The Lambda page's read-only indicators of the controller's state (the status panel fills them).

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    QWidget* CreateControl(const TSettingInfo& Info, QWidget* Parent);
    void BuildGeneral(QWidget* Page);
    void BuildFunctions(QWidget* Page);
    void BuildLambda(QWidget* Page);
    void BuildDrivability(QWidget* Page);
    QGroupBox* NewGroup(QWidget* Page, const char* Name, StringId Title, bool Focus);
    void AddRow(QGridLayout* Grid, int& Row, StringId Label, const char* LabelName,
                std::initializer_list<const char*> Controls);
    QWidget* EnablePanel(QGroupBox* Group, const char* Box);
    void BindHandlers();
    void ShowValue(const char* Control, double Value);
    void ShowValue(const char* Control, int Value);
    void ShowValue(const char* Control, bool Value);
    void ShowValue(const char* Control, const QString& Value);
    void ApplyEnablingRules();
    void ApplyEnableBox(QCheckBox* Box);
    void SetLambdaLimits(int Type);
    void StampDate();
    bool Updating() const { return *Host.GUIUpdating; }
    void SetUpdating(bool Value) { *Host.GUIUpdating = Value; }

    TSettingsPagePlaces Places;
    TSettingsPagesHost Host;
    std::vector<QWidget*> Controls;  // by setting, null for a setting without a control
    std::vector<QLabel*> Captions;   // by setting: the caption beside its control, if any
    std::vector<QLabel*> Indicators; // by setting: a slider's value indicator
    std::array<QSpinBox*, 3> DateEdits{};
    std::vector<std::pair<QGroupBox*, StringId>> GroupTitles;
    std::vector<std::pair<QLabel*, StringId>> RowLabels;
    std::vector<std::pair<QAbstractButton*, StringId>> ButtonTexts;
    std::vector<QWidget*> FocusBoxes;
    std::vector<std::vector<QGroupBox*>> AlignedGroups; // groups stacked in one column of a page
    QPointer<QWidget> FocusedBox;
};

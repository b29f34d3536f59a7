#pragma once

#include "config/UnitDati.h"

#include <QMap>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

// Stands in for the main window: hands out scripted editor contents and records what the model
// asked of it.
class FakeMainView : public TMainView {
public:
    bool hasEditors = false;
    TSettingEditors settings;
    bool hasDate = false;
    TDateEditors date;
    QString caption;
    bool undoEnabled = false;
    QStringList calls;

    // Numeric edit boxes by object, and the two speed editors with their objects.
    QMap<const QObject*, TNumericEditorState> numericEditors;
    QObject editSogliaGiri;
    QObject rpmThresholdEdit;
    bool hasSpeedEditors = false;

    bool ReadSettingEditors(TSettingEditors& editors) override {
        if (hasEditors) editors = settings;
        return hasEditors;
    }
    bool ReadDateEditors(TDateEditors& d) override {
        if (hasDate) d = date;
        return hasDate;
    }
    void RefreshPages() override { calls << "RefreshPages"; }
    void RefreshStatusControls() override { calls << "RefreshStatusControls"; }
    void SetCaption(const QString& text) override { caption = text; }
    void SetUndoEnabled(bool enabled) override { undoEnabled = enabled; }
    bool NumericEditorState(const QObject* sender, TNumericEditorState& state) override {
        if (!numericEditors.contains(sender)) return false;
        state = numericEditors[sender];
        return true;
    }
    bool SpeedEditorValue(TSpeedEditor editor, int& value) override {
        if (!hasSpeedEditors) return false;
        value = numericEditors[SpeedObject(editor)].IntegerValue;
        return true;
    }
    void SetSpeedEditorValue(TSpeedEditor editor, int value) override {
        numericEditors[SpeedObject(editor)].IntegerValue = value;
    }
    void UpdateColourRanges() override { calls << "UpdateColourRanges"; }
    void RepaintMapGrid(TMapGridId grid) override {
        calls << (grid == TMapGridId::MappaGas_Slave  ? "MappaGas_Slave"
                  : grid == TMapGridId::MappaGas_Comp ? "MappaGas_Comp"
                                                      : "MappaBenzina");
    }
    void RefreshMapCheck() override { calls << "RefreshMapCheck"; }

    int activePage = -1;
    QStringList notices; // transient messages, "text ms"
    int ActivePage() override { return activePage; }
    void RefreshStatusPanel() override { calls << "RefreshStatusPanel"; }
    void ClearDownloadPending() override { calls << "ClearDownloadPending"; }
    void ShowTransientMessage(const QString& text, int ms) override {
        notices << QStringLiteral("%1 %2").arg(text).arg(ms);
    }
    void ShowOperatingModePages() override {
        calls << QStringLiteral("ShowOperatingModePages %1").arg(OperatingMode);
    }
    void SaveAs() override { calls << "SaveAs"; }

    // An integer speed editor with the limits of the settings pages.
    void AddSpeedEditors(int soglia, int rpmThreshold) {
        hasSpeedEditors = true;
        numericEditors[&editSogliaGiri] = {false, 0, soglia, 500, 4000};
        numericEditors[&rpmThresholdEdit] = {false, 0, rpmThreshold, 500, 4000};
    }

private:
    const QObject* SpeedObject(TSpeedEditor editor) const {
        return editor == TSpeedEditor::EditSogliaGiri ? &editSogliaGiri : &rpmThresholdEdit;
    }
};

class FakeAdaptivityView : public TAdaptivityView {
public:
    bool hasEditors = false;
    TAdaptivityEditors editors;
    int refreshes = 0;

    bool ReadAdaptivityEditors(TAdaptivityEditors& e) override {
        if (hasEditors) e = editors;
        return hasEditors;
    }
    void RefreshEditors() override { ++refreshes; }
};

// A model created as the main window creates it, with the settings file in a folder of its own
// and the tool in Slave mode.
class ModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(settingsDir.isValid());
        qputenv("WinDir", settingsDir.path().toUtf8());
        OperatingMode = SlaveMode;
        model = std::make_unique<TDataMap>();
    }
    void TearDown() override {
        model.reset();
        OperatingMode = SlaveMode;
        qunsetenv("WinDir");
    }
    void AttachViews() {
        model->MainView = &view;
        model->AdaptivityView = &adaptivity;
    }

    QTemporaryDir settingsDir;
    FakeMainView view;
    FakeAdaptivityView adaptivity;
    std::unique_ptr<TDataMap> model;
};

// What a load or a merge could change in a model, to show that a refused file changed nothing.
struct ModelState {
    RMappatura image;     // the model's raw image
    RMappatura converted; // the model in raw form
    TMapCells<double> maps[5];
    TOneBasedArray<int32_t, 9> speeds[3];
    TOneBasedArray<double, 12> rows[3];
    QString fileName, make, model;
    bool saved = false, mapRefresh = false;
    uint8_t mode = 0, bank = 0;

    static ModelState Of(TDataMap& m) {
        ModelState s;
        s.image = m.RawData.Image;
        const uint8_t bank = m.Bank;
        m.ModelToRaw(s.converted);
        m.Bank = bank;
        s.maps[0] = m.TempiGas_Slave_banco1;
        s.maps[1] = m.TempiGas_Slave_banco2;
        s.maps[2] = m.TempiGas_Comp_banco1;
        s.maps[3] = m.TempiGas_Comp_banco2;
        s.maps[4] = m.Benzina;
        s.speeds[0] = m.Giri_Slave;
        s.speeds[1] = m.Giri_Comp;
        s.speeds[2] = m.Giri_Benzina;
        s.rows[0] = m.TempiBenzina_Slave;
        s.rows[1] = m.MAP_Comp;
        s.rows[2] = m.MAP_Benzina;
        s.fileName = m.FileName;
        s.make = m.Make;
        s.model = m.Model;
        s.saved = m.Saved();
        s.mapRefresh = m.EnableMapRefresh;
        s.mode = OperatingMode;
        s.bank = m.Bank;
        return s;
    }
};

inline ::testing::AssertionResult SameState(const ModelState& a, const ModelState& b) {
    QStringList differ;
    if (!(a.image == b.image)) differ << "raw image";
    if (!(a.converted == b.converted)) differ << "settings";
    for (int i = 0; i < 5; ++i)
        if (!(a.maps[i] == b.maps[i])) differ << QStringLiteral("map %1").arg(i);
    for (int i = 0; i < 3; ++i)
        if (!(a.speeds[i] == b.speeds[i]) || !(a.rows[i] == b.rows[i]))
            differ << QStringLiteral("axes %1").arg(i);
    if (a.fileName != b.fileName) differ << "file name " + a.fileName + " / " + b.fileName;
    if (a.make != b.make || a.model != b.model) differ << "texts";
    if (a.saved != b.saved) differ << "Saved";
    if (a.mapRefresh != b.mapRefresh) differ << "EnableMapRefresh";
    if (a.mode != b.mode) differ << "OperatingMode";
    if (a.bank != b.bank) differ << "Bank";
    if (differ.isEmpty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "differs in: " << differ.join(", ").toStdString();
}

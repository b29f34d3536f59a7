#pragma once

#include "config/UnitDati.h"

#include <QMap>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

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

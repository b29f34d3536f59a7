#pragma once

#include "app/Settings.h"
#include "app/UnitMain.h"
#include "common/EcuSim.h"
#include "common/ProgramFixture.h"
#include "common/RunUntil.h"
#include "config/UnitDati.h"
#include "editor/MapGridPages.h"
#include "editor/UnitModifyData.h"
#include "link/Codec.h"
#include "link/Frames.h"
#include "link/UnitCommunications.h"
#include "live/UnitAcquisizioni.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

// The whole program at the size of a 1366 x 768 screen, its map grids reached by name, and the
// keys a technician types.
class MapPagesTest : public ProgramFixture {
protected:
    ~MapPagesTest() override {
        DestroyProgram();
        OperatingMode = SlaveMode;
    }

    void Create() {
        CreateProgram();
        FormMain->setGeometry(0, 0, 1366, 768);
        FormMain->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(FormMain));
    }

    static TMapGridPages& Pages() { return *FormMain->MapGrids; }
    static TNewDrawGrid* Grid(const char* name) {
        return FormMain->findChild<TNewDrawGrid*>(QLatin1String(name));
    }

    // Shows the page that holds grid and waits until the layout has sized its cells.
    static void ShowPageOf(TNewDrawGrid* grid) {
        for (int i = 0; i < TFormMain::PageCount; ++i)
            if (FormMain->Pages[size_t(i)]->isAncestorOf(grid))
                FormMain->PageControlGeneral->setCurrentIndex(i);
        RunUntil([grid] { return grid->isVisible() && grid->DefaultRowHeight() > 10; }, 10000);
    }

    static void Select(TNewDrawGrid* grid, int left, int top, int right, int bottom) {
        grid->SetSelection({left, top, right, bottom});
    }
    static void Type(QWidget* target, const QString& keys) {
        for (QChar c : keys)
            QTest::keyClick(target, c.toLatin1());
    }
    static void Key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(target, key, modifiers);
    }
    // The dialog after a key on a grid: type value, choose how it applies, press Enter.
    static void Apply(const QString& value, QRadioButton* mode) {
        ASSERT_TRUE(FormModify->isVisible());
        mode->setChecked(true);
        FormModify->Edit1->setText(value);
        Key(FormModify->Edit1, Qt::Key_Return);
    }
    static double Value(TMapTypeOfData kind, int row, int index) {
        return DataMap->GetMapValue(kind, row, index);
    }
};

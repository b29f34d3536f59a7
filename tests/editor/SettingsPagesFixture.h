#pragma once

#include "MapPagesFixture.h"

#include "config/RawImage.h"
#include "editor/SettingsPages.h"
#include "widgets/NumericEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDeadlineTimer>
#include <QSlider>
#include <QSpinBox>
#include <QThread>

// The whole program at 1366 x 768, its settings pages' controls reached by name, optionally
// connected to corvane-ecu-sim with the requests it sends recorded ("W1" a write of block 1,
// "W8/2" of bank 2 of block 8, "fuel 1" a fuel switch with data 1).
class SettingsPagesTest : public EcuPagesTest {
protected:
    SettingsPagesTest() { RecordVinAndMode = false; }
    static TSettingsPages& Settings() { return *FormMain->SettingsPages; }
    template <typename T = QWidget> static T* Find(const char* name) {
        T* w = Settings().ControlAs<T>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static void ShowPage(int page) { FormMain->PageControlGeneral->setCurrentIndex(page); }
    // Types text into a plain numeric field and presses Enter, as a technician does.
    static void TypeInto(const char* field, const QString& text) {
        auto* edit = Find<TNumericEdit>(field);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    static QString Today() { return QDate::currentDate().toString(QStringLiteral("ddMMyy")); }

};

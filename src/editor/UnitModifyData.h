#pragma once

#include <QDialog>

class TGuiHost;

// The dialog through which every change of map and table cells goes.
class TFormModify : public QDialog {
    Q_OBJECT
public:
    explicit TFormModify(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormModify() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();

private:
    TGuiHost* Host;
};

extern TFormModify* FormModify;

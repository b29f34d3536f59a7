#pragma once

#include <QWidget>

// Gas map auto-tuning on a running engine.
class TFormAutotuningKeld : public QWidget {
    Q_OBJECT
public:
    explicit TFormAutotuningKeld(QWidget* parent = nullptr);
    ~TFormAutotuningKeld() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();
};

extern TFormAutotuningKeld* FormAutotuningKeld;

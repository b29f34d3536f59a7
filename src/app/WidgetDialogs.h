#pragma once

#include "app/UserDialogs.h"

class QWidget;

// The program's dialogs: real message boxes and file dialogs, parented to the main window.
class TWidgetDialogs final : public TUserDialogs {
public:
    explicit TWidgetDialogs(QWidget* parent = nullptr) : Parent(parent) {}
    void SetParent(QWidget* parent) { Parent = parent; }

    TMsgButton Ask(TMsgKind kind, const QString& text, int buttons) override;
    void Tell(TMsgKind kind, const QString& text) override;
    QString OpenFileName(const QString& title, const QString& filter, const QString& dir) override;
    QString SaveFileName(const QString& title, const QString& filter, const QString& dir) override;

private:
    QWidget* Parent;
};

#pragma once

#include "app/UserDialogs.h"

#include <QList>
#include <QStringList>

// Answers the program's questions from a script and records everything it was asked or told.
// Installs itself for its lifetime. A question with no scripted answer fails the test's
// expectations (answers() tells) and gets Cancel.
class ScriptedDialogs : public TUserDialogs {
public:
    ScriptedDialogs() { SetDialogs(this); }
    ~ScriptedDialogs() override { SetDialogs(nullptr); }

    QList<TMsgButton> answers;  // consumed in order by Ask
    QStringList files;          // consumed in order by the file dialogs
    QStringList asked;          // every question's text
    QStringList told;           // every notice's text
    QStringList fileDialogs;    // every file dialog's title
    QStringList fileDialogDirs; // where each file dialog started (a folder, or a proposed file)
    int unanswered = 0;

    TMsgButton Ask(TMsgKind, const QString& text, int buttons) override {
        asked << text;
        if (answers.isEmpty()) {
            ++unanswered;
            return (buttons & mbCancel) ? mbCancel : mbNo;
        }
        return answers.takeFirst();
    }
    void Tell(TMsgKind, const QString& text) override { told << text; }
    QString OpenFileName(const QString& title, const QString&, const QString& dir) override {
        fileDialogs << title;
        fileDialogDirs << dir;
        return TakeFile();
    }
    QString SaveFileName(const QString& title, const QString&, const QString& dir) override {
        fileDialogs << title;
        fileDialogDirs << dir;
        return TakeFile();
    }

private:
    QString TakeFile() { return files.isEmpty() ? QString() : files.takeFirst(); }
};

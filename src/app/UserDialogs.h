#pragma once

#include <QString>
#include <QStringList>

// Message boxes and file dialogs, behind one small interface so that logic can ask the user
// without including a widget, and tests can answer with a script instead of a person.

enum class TMsgKind { Information, Confirmation, Warning, Error };

enum TMsgButton : int { mbNone = 0, mbYes = 1, mbNo = 2, mbCancel = 4, mbOK = 8 };

class TUserDialogs {
public:
    virtual ~TUserDialogs() = default;
    // A modal question with the given buttons (a combination of TMsgButton); returns the one chosen.
    virtual TMsgButton Ask(TMsgKind kind, const QString& text, int buttons) = 0;
    // A modal notice with an OK button.
    virtual void Tell(TMsgKind kind, const QString& text) = 0;
    // File dialogs; filter as in Qt ("Configuration (*.cfg)"). "" when the user cancels.
    virtual QString OpenFileName(const QString& title, const QString& filter, const QString& dir) = 0;
    virtual QString SaveFileName(const QString& title, const QString& filter, const QString& dir) = 0;
};

// The dialogs in use: the widget boxes in the program, a script in tests. Never null once the
// program or a test has installed one; until then every question answers Cancel.
TUserDialogs& Dialogs();
void SetDialogs(TUserDialogs* dialogs);

#include "app/UserDialogs.h"

namespace {

// Until something is installed nobody can answer: every question is cancelled.
class TNoDialogs final : public TUserDialogs {
public:
    TMsgButton Ask(TMsgKind, const QString&, int buttons) override {
        return (buttons & mbCancel) ? mbCancel : (buttons & mbNo) ? mbNo : mbOK;
    }
    void Tell(TMsgKind, const QString&) override {}
    QString OpenFileName(const QString&, const QString&, const QString&) override { return QString(); }
    QString SaveFileName(const QString&, const QString&, const QString&) override { return QString(); }
};

TNoDialogs noDialogs;
TUserDialogs* current = &noDialogs;

} // namespace

TUserDialogs& Dialogs() { return *current; }

void SetDialogs(TUserDialogs* dialogs) { current = dialogs ? dialogs : &noDialogs; }

#include "app/WidgetDialogs.h"

#include "app/Constants.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon IconOf(TMsgKind kind) {
    switch (kind) {
    case TMsgKind::Information: return QMessageBox::Information;
    case TMsgKind::Confirmation: return QMessageBox::Question;
    case TMsgKind::Warning: return QMessageBox::Warning;
    case TMsgKind::Error: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

} // namespace

TMsgButton TWidgetDialogs::Ask(TMsgKind kind, const QString& text, int buttons) {
    QMessageBox box(IconOf(kind), ApplicationTitle(), text, QMessageBox::NoButton, Parent);
    if (buttons & mbYes) box.addButton(QMessageBox::Yes);
    if (buttons & mbNo) box.addButton(QMessageBox::No);
    if (buttons & mbOK) box.addButton(QMessageBox::Ok);
    if (buttons & mbCancel) box.addButton(QMessageBox::Cancel);
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes: return mbYes;
    case QMessageBox::No: return mbNo;
    case QMessageBox::Ok: return mbOK;
    default: return mbCancel;
    }
}

void TWidgetDialogs::Tell(TMsgKind kind, const QString& text) {
    QMessageBox box(IconOf(kind), ApplicationTitle(), text, QMessageBox::Ok, Parent);
    box.exec();
}

QString TWidgetDialogs::OpenFileName(const QString& title, const QString& filter, const QString& dir) {
    return QFileDialog::getOpenFileName(Parent, title, dir, filter);
}

QString TWidgetDialogs::SaveFileName(const QString& title, const QString& filter, const QString& dir) {
    return QFileDialog::getSaveFileName(Parent, title, dir, filter);
}

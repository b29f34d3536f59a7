#pragma once

#include "windows/WindowScaling.h"

#include <QSize>
#include <QString>

// What every secondary window does as it is created: it takes its name, becomes the program's
// one reference of its kind, gets its design size and its captions, and scales like the main
// window. Form has ApplyCaptions.
template <typename Form>
void SetUpSecondaryWindow(Form* form, Form*& global, const char* name, QSize designSize, const TGuiHost* host) {
    form->setObjectName(QLatin1String(name));
    global = form;
    form->resize(designSize);
    form->ApplyCaptions();
    ScaleLikeMainWindow(form, host);
}

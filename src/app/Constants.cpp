#include "app/Constants.h"

#include <QLocale>

QString FormatAppVersion() { return QLocale::c().toString(AppVersion, 'f', 2); }

QString ApplicationTitle() { return QStringLiteral("Corvane Diagnostic ") + FormatAppVersion(); }

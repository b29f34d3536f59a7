#pragma once

#include <QString>

// Program-wide constants, fixed when the program is built.

inline constexpr double AppVersion = 1.01;

enum TBuildVariant : int { ORB = 0, KELD = 1 };

#if defined(CORVANE_BUILD_VARIANT_ORB)
inline constexpr TBuildVariant BuildVariant = ORB;
#else
inline constexpr TBuildVariant BuildVariant = KELD;
#endif

#ifndef CORVANE_BUILD_NUMBER
#define CORVANE_BUILD_NUMBER 233
#endif
inline constexpr int BuildNumber = CORVANE_BUILD_NUMBER;

// "%1.2f" with "." as decimal separator, whatever the locale.
QString FormatAppVersion();

// "Corvane Diagnostic 1.01": the main window's caption and the settings file's name.
QString ApplicationTitle();

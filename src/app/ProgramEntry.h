#pragma once

#include <QString>

#include <functional>

class QApplication;
class QWidget;

// The program entry: the windows it creates, in their order, and the run of the message loop.

// Creates every window, each completely before the next: the main window first (it makes the
// configuration model and the live-data manager the others use), the communication window after
// it (it makes the transmit queue and opens the port). created, when given, is told of each.
void CreateWindows(const std::function<void(QWidget*)>& created = {});

// Frees the windows the main window's close sequence leaves to the program's end.
void DestroyWindows();

// The whole program: framework set-up, the language, the windows, the message loop until the
// main window has closed. Returns the exit code.
int RunProgram(QApplication& app);

// The user's language, in place before the first text is fetched: the gettext catalogue beside
// the program, and the language module of the user's locale when one lies beside the program.
// Returns why that module could not be read, empty when it was or when there is none.
QString SetUpLanguage();

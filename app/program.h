#pragma once
// The program's own start-up steps: the windows of every subsystem, hooked to
// the main window. Tests run them with files of their own.
#include "app/startup.h"

#include <QString>

namespace kadrolin::app {

struct TProgramFiles {
    QString Settings;   // "Tarvlon.ini", beside the executable or in the configuration directory
    QString Protection; // "win.ini", in the user's configuration directory
};

// Where the program keeps its two profile files. Call after the application's
// name is set: the configuration directory follows it.
TProgramFiles DefaultProgramFiles();

// Creates the change-password and settings dialogs after the main window,
// connects the report, settings, help and about commands, and asks for the
// password before the main window is shown.
TStartupSteps ProgramSteps(TProgramFiles files);

// Loads Qt's own Turkish translations (file, print and colour dialogs), from
// the system's Qt translations, whatever the system language: the whole
// interface is Turkish. The program's message boxes set their own captions
// and button words and do not change. Returns false when none is installed.
bool InstallQtTranslations();

// The main routine of the real program.
int ProgramMain(int argc, char **argv);

} // namespace kadrolin::app

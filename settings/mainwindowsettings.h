#pragma once
// The appearance settings file hooked to the program's main window.
#include "settings/appearance.h"

class TAyarFrm;
class TForm1;

// Applies the stored appearance as the last step of the main window's
// creation would, and makes SaveAppearance the last step of its close, on
// the given file. The window is created before this can run, so what its
// creation would have loaded is applied here, unless creation stopped early
// (the register could not be opened), when the designed look stays as it
// would have.
void AttachAppearance(TForm1 *form, const QString &fileName = SettingsFileName());

// The settings command of the main window ("Ayarlar ..." and the "Ayar"
// button, Ayarlar1Click): shows the one settings dialog modally and ignores
// its result.
void AttachSettingsDialog(TForm1 *form, TAyarFrm *dialog);

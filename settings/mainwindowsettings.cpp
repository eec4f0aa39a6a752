#include "settings/mainwindowsettings.h"

#include "mainwindow/form1.h"

void AttachAppearance(TForm1 *form, const QString &fileName) {
    form->OnLoadAppearance = [fileName](TForm1 &f) { LoadAppearance(&f, fileName); };
    form->OnSaveAppearance = [fileName](TForm1 &f) { SaveAppearance(&f, fileName); };
    if (form->ADOQuery1->Active()) form->LoadAppearance();
}

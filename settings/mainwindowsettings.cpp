#include "settings/mainwindowsettings.h"

#include "mainwindow/form1.h"
#include "platform/widgets/application.h"
#include "platform/widgets/dialogs.h"
#include "settings/ayarfrm.h"
#include "settings/mainformview.h"

#include <QAction>
#include <QPointer>

void AttachAppearance(TForm1 *form, const QString &fileName) {
    // The decoder is a plain member, not a named component: bind it here.
    BindPictureOptions(form, {[form] { return form->JPGCompr.GrayScaleOutput; },
                              [form](bool on) { form->JPGCompr.GrayScaleOutput = on; },
                              {},
                              {}});
    form->OnSaveAppearance = [fileName](TForm1 &f) { SaveAppearance(&f, fileName); };
    if (form->ADOQuery1->Active()) LoadAppearance(form, fileName);
}

void AttachSettingsDialog(TForm1 *form, TAyarFrm *dialog) {
    QPointer<TAyarFrm> dlg(dialog);
    QObject::connect(form->Ayarlar1, &QAction::triggered, dialog, [dlg] {
        Application().Guard([&] {
            int result = 0;
            if (dlg) ExecModal(dlg, result);
        });
    });
}

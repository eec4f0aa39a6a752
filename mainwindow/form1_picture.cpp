// The main window's photo panel: the data-aware picture control bound to the
// photo column, the pop-up menu and drop-down commands, and the idle handler
// that keeps them (and the mail button) enabled only when they make sense.
#include "mainwindow/form1.h"
#include "pictures/pictureclipboard.h"
#include "pictures/picturecommands.h"
#include "platform/widgets/application.h"

#include <QLineEdit>
#include <QToolButton>

using namespace kadrolin;

void TForm1::ConnectPicturePanel() {
    Image1 = new TDBJPEGImage;
    Image1->SetCenter(true);
    Image1->SetStretch(true);
    Image1->SetReadOnly(false);
    Image1->SetJPEGDecompressor(&JPGCompr);
    // The frame places it, names it, gives it its hint and the pop-up menu.
    SetPictureControl(Image1);
    Image1->SetDataSource(DataSource1.get());
    Image1->SetDataField(QStringLiteral("A_Resim"));
    Image1->OnDblClick = [this] { Ekle2Click(); };

    auto on = [this](QAction *item, void (TForm1::*handler)()) {
        connect(item, &QAction::triggered, this,
                [this, handler] { Application().Guard([this, handler] { (this->*handler)(); }); });
    };
    on(Ekle2, &TForm1::Ekle2Click);
    on(Sil2, &TForm1::Sil2Click);
    on(Kes2, &TForm1::Kes2Click);
    on(Kopyala2, &TForm1::Kopyala2Click);
    on(Yapistir2, &TForm1::Yapistir2Click);
    Application().AddIdleHandler(this, [this] { AppIdle(); });
}

void TForm1::Ekle2Click() {
    AddPictureFromFile(*Image1, this);
}

void TForm1::Sil2Click() {
    DeletePicture(*Image1);
}

void TForm1::Kes2Click() {
    Image1->CutPicture();
}

void TForm1::Kopyala2Click() {
    Image1->CopyPicture();
}

void TForm1::Yapistir2Click() {
    Image1->PastePicture();
}

void TForm1::AppIdle() {
    const auto *mail = qobject_cast<const QLineEdit *>(FControls.value(QStringLiteral("DBEdit9")));
    const TPicturePanelState s =
        PicturePanelState(*Image1, ClipboardHasPicture(), mail ? mail->text() : QString());
    Yapistir2->setEnabled(s.Yapistir2);
    Kopyala2->setEnabled(s.Kopyala2);
    Sil2->setEnabled(s.Sil2);
    Kes2->setEnabled(s.Kes2);
    BtnRSil->setEnabled(s.BtnRSil);
    BtnMail->setEnabled(s.BtnMail);
    if (ADOQuery1->ReadOnly()) {
        // A role that may only read changes no photo either.
        for (QAction *a : {Ekle2, Sil2, Kes2, Yapistir2})
            a->setEnabled(false);
        BtnRSil->setEnabled(false);
    }
}

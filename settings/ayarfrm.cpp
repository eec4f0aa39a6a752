#include "settings/ayarfrm.h"

#include "platform/ini/inifile.h"
#include "platform/widgets/application.h"
#include "platform/widgets/dialogs.h"
#include "security/glyphs.h"
#include "settings/appearance.h"
#include "settings/mainformview.h"
#include "settings/shape.h"

#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>

using namespace AppearanceKeys;
using kadrolin::TIniFile;

namespace {
constexpr TColor clGray = 0x808080;

template <class T> T *Make(QWidget *parent, const char *name, int x, int y, int w, int h) {
    auto *c = new T(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setGeometry(x, y, w, h);
    return c;
}

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text, int x, int y, int w = -1,
                  int h = -1) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    if (w < 0) {
        l->adjustSize();
        l->move(x, y);
    } else {
        l->setGeometry(x, y, w, h);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    return l;
}

TShape *MakeFrame(QWidget *parent, const char *name, int x, int y, int w, int h) {
    auto *s = Make<TShape>(parent, name, x, y, w, h);
    s->SetBrushColor(clBtnFace);
    s->SetPenColor(clGray);
    return s;
}

TShape *MakeSwatch(QWidget *parent, const char *name, int x, int y) {
    auto *s = Make<TShape>(parent, name, x, y, 29, 13);
    s->SetPenColor(clGray);
    s->SetPenWidth(2);
    Application().SetWidgetHint(s, QStringLiteral("Zemin Renkleri"), true);
    return s;
}

QFrame *MakePanel(QWidget *parent, const char *name, int x, int y) {
    auto *p = Make<QFrame>(parent, name, x, y, 129, 65);
    p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    p->setLineWidth(1);
    return p;
}

} // namespace

TAyarFrm::TAyarFrm(QWidget *mainForm, QString settingsFile, QString protectionFile, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      TPasswordProtection(std::move(protectionFile)), FMainForm(mainForm),
      FSettingsFileName(std::move(settingsFile)) {
    CreateComponents();
    // An error while loading is shown and the dialog is still created.
    Application().Guard([&] { FormCreate(); });
}

TAyarFrm::~TAyarFrm() {
    Application().Guard([&] { FormDestroy(); });
}

void TAyarFrm::CreateComponents() {
    setObjectName(QStringLiteral("AyarFrm"));
    setWindowTitle(QStringLiteral("Genel Ayarlar"));
    setFixedSize(305, 202);
    // The designed 8-point face is not here; this sans at 7.5 points has its
    // widths, so the captions fit their designed sizes.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(7.5);
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("MS Sans Serif")});
    setFont(font);
    QPalette pal = palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        for (auto group : {QPalette::Active, QPalette::Inactive})
            pal.setColor(group, role, Qt::black);
    setPalette(pal);

    PageControl1 = Make<QTabWidget>(this, "PageControl1", 8, 6, 289, 163);
    PageControl1->setFocusPolicy(Qt::NoFocus);
    PageControl1->tabBar()->setFocusPolicy(Qt::NoFocus);
    PageControl1->tabBar()->setMouseTracking(true);
    PageControl1->tabBar()->setAttribute(Qt::WA_Hover);

    CancelBtn = Make<QPushButton>(this, "CancelBtn", 144, 172, 73, 25);
    CancelBtn->setText(QStringLiteral("İptal"));
    CancelBtn->setAutoDefault(false);
    OKBtn = Make<QPushButton>(this, "OKBtn", 224, 172, 73, 25);
    OKBtn->setText(QStringLiteral("Tamam"));
    OKBtn->setIcon(OkGlyph());
    OKBtn->setDefault(true);

    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    PageControl1->addTab(TabSheet1, QStringLiteral("Şifre Aktivasyon"));
    Shape5 = MakeFrame(TabSheet1, "Shape5", 8, 8, 265, 49);
    Label1 = MakeLabel(
        TabSheet1, "Label1",
        QStringLiteral("Programa şifre koyarak başkalarının bilgilere ulaşmasını önleyebilirsiniz. "), 16, 16,
        208, 26);
    Shape6 = MakeFrame(TabSheet1, "Shape6", 8, 64, 265, 65);
    ChangePasswdBtn = Make<QPushButton>(TabSheet1, "ChangePasswdBtn", 168, 85, 97, 23);
    ChangePasswdBtn->setText(QStringLiteral("Şifre Ata/ Değiştir"));
    ChangePasswdBtn->setAutoDefault(false);
    SifreChk = Make<QCheckBox>(TabSheet1, "SifreChk", 24, 88, 142, 17);
    SifreChk->setText(QStringLiteral("Şifre Korumasını Aktifleştir"));

    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Renkler"));
    Shape7 = MakeFrame(TabSheet2, "Shape7", 8, 8, 265, 49);
    Label2 = MakeLabel(TabSheet2, "Label2",
                       QStringLiteral("İçerik zemin renklerini, font renklerini ve içerik başlık renklerini "
                                      "ayarlayarak görsel değişiklikler yapabilirsiniz."),
                       16, 16, 251, 26);
    Panel1 = MakePanel(TabSheet2, "Panel1", 8, 64);
    Shape2 = MakeSwatch(Panel1, "Shape2", 12, 12);
    Label3 = MakeLabel(Panel1, "Label3", QStringLiteral("Başlıklar"), 48, 12);
    Shape3 = MakeSwatch(Panel1, "Shape3", 12, 28);
    Label5 = MakeLabel(Panel1, "Label5", QStringLiteral("İçerik Yazıları"), 48, 28);
    Shape1 = MakeSwatch(Panel1, "Shape1", 12, 44);
    Label4 = MakeLabel(Panel1, "Label4", QStringLiteral("İçerik Zeminleri"), 48, 44);
    Panel2 = MakePanel(TabSheet2, "Panel2", 144, 64);
    Shape4 = MakeSwatch(Panel2, "Shape4", 12, 12);
    Label7 = MakeLabel(Panel2, "Label7", QStringLiteral("Grup Başlıkları"), 48, 12);

    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    PageControl1->addTab(TabSheet3, QStringLiteral("Resim"));
    Shape8 = MakeFrame(TabSheet3, "Shape8", 8, 8, 265, 49);
    Label6 = MakeLabel(TabSheet3, "Label6",
                       QStringLiteral("Resimlerin gri tonlarda (Siyah-Beyaz), ya da orijinal boyutlarda "
                                      "gözükmesini sağlayabilirsiniz."),
                       16, 17, 237, 26);
    Shape9 = MakeFrame(TabSheet3, "Shape9", 8, 64, 265, 65);
    ChkResim = Make<QCheckBox>(TabSheet3, "ChkResim", 24, 76, 193, 17);
    ChkResim->setText(QStringLiteral("Resimler Siyah-Beyaz görünsün"));
    ChkResim2 = Make<QCheckBox>(TabSheet3, "ChkResim2", 24, 100, 193, 17);
    ChkResim2->setText(QStringLiteral("Resimler orijinal boyutta görünsün"));
    PageControl1->setCurrentIndex(0);
    // The style's check mark takes a few pixels more than the designed one;
    // let the captions have them where nothing lies beside the box.
    SifreChk->resize(std::max(SifreChk->width(), std::min(SifreChk->sizeHint().width(), 168 - 24)),
                     SifreChk->height());
    for (QCheckBox *b : {ChkResim, ChkResim2})
        b->resize(std::max(b->width(), b->sizeHint().width()), b->height());

    // Every handler is entered through the application's guard. A check box's
    // click handler runs whenever its state changes, from the user or from code.
    auto guarded = [](auto f) { return [f] { Application().Guard(f); }; };
    connect(OKBtn, &QPushButton::clicked, this, [this] {
        FPendingResult = QDialog::Accepted;
        Application().Guard([&] { OkBtnClick(); });
        EndModal();
    });
    connect(CancelBtn, &QPushButton::clicked, this, [this] {
        FPendingResult = QDialog::Rejected;
        Application().Guard([&] { CancelBtnClick(); });
        EndModal();
    });
    connect(Shape1, &TShape::MouseDown, this, guarded([this] { Shape1MouseDown(); }));
    connect(Shape2, &TShape::MouseDown, this, guarded([this] { Shape2MouseDown(); }));
    connect(Shape3, &TShape::MouseDown, this, guarded([this] { Shape3MouseDown(); }));
    connect(Shape4, &TShape::MouseDown, this, guarded([this] { Shape4MouseDown(); }));
    connect(ChkResim, &QCheckBox::toggled, this, guarded([this] { ChkResimClick(); }));
    connect(ChkResim2, &QCheckBox::toggled, this, guarded([this] { ChkResim2Click(); }));
    connect(ChangePasswdBtn, &QPushButton::clicked, this, guarded([this] { ChangePasswdBtnClick(); }));
    // The protection runs SifreChkClick at every change of the box from here on.
    SetSifreChk(SifreChk);
}

void TAyarFrm::FormCreate() {
    SifreChkDetached([this] { LoadProtectionState(); });
    LoadDialogSettings();
}

void TAyarFrm::LoadDialogSettings() {
    const TIniFile ini(FSettingsFileName.toStdString());
    const TMainFormView f(FMainForm);
    Shape1->SetBrushColor(ini.ReadInteger(Zemin, Renk, f.Color(QStringLiteral("DBEdit1"))));
    Shape2->SetBrushColor(ini.ReadInteger(Baslik, Renk, f.FontColor(QStringLiteral("Label1"))));
    Shape3->SetBrushColor(ini.ReadInteger(Font, Renk, f.FontColor(QStringLiteral("DBEdit1"))));
    Shape4->SetBrushColor(ini.ReadInteger(Grup, Renk, f.UnselectedTabColor()));
    // With the click handlers attached: a stored 1 applies the option at once.
    ChkResim->setChecked(ini.ReadBool(Secim, CRBox, ChkResim->isChecked()));
    ChkResim2->setChecked(ini.ReadBool(Secim, CRBBox, ChkResim2->isChecked()));
}

void TAyarFrm::SavePictureOptions() {
    TIniFile ini(FSettingsFileName.toStdString());
    ini.WriteBool(Secim, CRBox, ChkResim->isChecked());
    ini.WriteBool(Secim, CRBBox, ChkResim2->isChecked());
}

void TAyarFrm::FormClose() {
    SavePictureOptions();
}

void TAyarFrm::FormDestroy() {
    SaveProtectionState();
}

void TAyarFrm::OkBtnClick() {
    SifreChkDetached([this] { SaveProtectionState(); });
    Close();
}

void TAyarFrm::CancelBtnClick() {
    SifreChkDetached([this] { LoadProtectionState(); });
    FPendingResult = QDialog::Rejected;
    Close();
}

void TAyarFrm::EndModal() {
    if (!FPendingResult) return;
    const int r = *FPendingResult;
    FPendingResult.reset();
    done(r);
}

void TAyarFrm::done(int result) {
    // Every end of the dialog writes the picture options; when that fails the
    // error is shown and the dialog stays open, so closing again retries.
    if (!Application().Guard([&] { FormClose(); })) return;
    QDialog::done(result);
}

void TAyarFrm::keyPressEvent(QKeyEvent *event) {
    // Esc presses "İptal", so its handler runs as for a click.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        CancelBtn->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TAyarFrm::showEvent(QShowEvent *event) {
    if (QScreen *s = screen()) move(s->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

bool TAyarFrm::PickColor(TShape *swatch, TColor &chosen) {
    // The dialog opens on the colour last chosen in it, not on the swatch's.
    QColor c = FColorDialogColor;
    if (!ColorDialog(this, c) || !c.isValid()) return false;
    FColorDialogColor = c;
    chosen = QColorToColor(c);
    swatch->SetBrushColor(chosen);
    return true;
}

void TAyarFrm::Shape1MouseDown() {
    TColor c;
    if (!PickColor(Shape1, c)) return;
    TMainFormView f(FMainForm);
    for (const QString &n : MainFormNames::ContentControls())
        f.SetColor(n, c);
}

void TAyarFrm::Shape2MouseDown() {
    TColor c;
    if (!PickColor(Shape2, c)) return;
    TMainFormView f(FMainForm);
    for (const QString &n : MainFormNames::CaptionLabels())
        f.SetFontColor(n, c);
    f.SetGridTitleColor(c);
}

void TAyarFrm::Shape3MouseDown() {
    TColor c;
    if (!PickColor(Shape3, c)) return;
    TMainFormView f(FMainForm);
    for (const QString &n : MainFormNames::ContentControls())
        f.SetFontColor(n, c);
}

void TAyarFrm::Shape4MouseDown() {
    TColor c;
    if (!PickColor(Shape4, c)) return;
    TMainFormView(FMainForm).SetUnselectedTabColor(c);
}

void TAyarFrm::ChkResimClick() {
    // Only the flag: it takes effect when the next photo is decoded.
    TMainFormView(FMainForm).SetGrayScaleOutput(ChkResim->isChecked());
}

void TAyarFrm::ChkResim2Click() {
    TMainFormView(FMainForm).SetStretch(!ChkResim2->isChecked());
}

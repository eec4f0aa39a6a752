#include "mainwindow/mainform.h"

#include "platform/system/shell.h"
#include "platform/widgets/application.h"
#include "records/recordlayout.h"

#include <QEvent>
#include <QScreen>

#include <QLabel>
#include <QMenuBar>
#include <algorithm>

namespace {

// Connects a signal to a handler entered through the application's guard,
// so an error in it is shown and goes no further.
template <class Sender, class Signal, class F> void On(Sender *sender, Signal signal, QObject *ctx, F f) {
    QObject::connect(sender, signal, ctx, [f] { Application().Guard(f); });
}

QFrame *Groove(QWidget *parent, const QString &name, const QRect &r) {
    auto *f = new QFrame(parent);
    f->setObjectName(name);
    // Raised inner and lowered outer bevel: an etched groove.
    f->setFrameStyle(QFrame::Box | QFrame::Sunken);
    f->setLineWidth(1);
    f->setMidLineWidth(0);
    f->setGeometry(r);
    return f;
}

// A screen reader's name for a button: its caption, else its tooltip (the
// short part of its hint); its description: the long part, the status bar's text.
void NameButton(QToolButton *b) {
    const QString caption = b->text().trimmed();
    b->setAccessibleName(caption.isEmpty() ? b->toolTip().trimmed() : caption);
    b->setAccessibleDescription(b->statusTip().trimmed());
}

} // namespace

QPoint PlaceOnScreen(QPoint designed, QSize frame, const QRect &available) {
    const auto fit = [](int at, int size, int low, int extent) {
        return std::max(low, std::min(at, low + extent - size));
    };
    return {fit(designed.x(), frame.width(), available.left(), available.width()),
            fit(designed.y(), frame.height(), available.top(), available.height())};
}

QString AccessibleCaption(const QString &caption) {
    QString name = caption.trimmed();
    if (name.endsWith(QLatin1Char(':'))) name.chop(1);
    return name.trimmed();
}

void LinkToAction(QToolButton *button, QAction *action) {
    QObject::connect(button, &QToolButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::enabledChanged, button, &QWidget::setEnabled);
    button->setEnabled(action->isEnabled());
}

void LinkToAction(QAction *item, QAction *action) {
    QObject::connect(item, &QAction::triggered, action, &QAction::trigger);
    QObject::connect(action, &QAction::enabledChanged, item, &QAction::setEnabled);
    item->setEnabled(action->isEnabled());
}

TMainForm::TMainForm(QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("Form1");
    setWindowTitle(QStringLiteral("Kadrolin 1.0"));
    setFont(QFont("MS Sans Serif", 8));

    DataSetEdit1 = new QAction(QStringLiteral("Düzenle"), this);
    DataSetEdit1->setObjectName("DataSetEdit1");
    DataSetPost1 = new QAction(QStringLiteral("Kaydet"), this);
    DataSetPost1->setObjectName("DataSetPost1");

    CreateMenus();

    ClientArea = new QWidget(this);
    ClientArea->setObjectName("ClientArea");
    ClientArea->setFixedSize(ClientWidth, ClientHeight);
    ClientArea->setAutoFillBackground(true);
    setCentralWidget(ClientArea);

    CreateToolBar();

    TabSet1 = new TTabSet(ClientArea);
    TabSet1->setObjectName("TabSet1");
    TabSet1->setGeometry(3, 48, 481, 21);
    TabSet1->SetDitherBackground(false);
    QStringList tabs;
    for (const auto &p : kadrolin::records::PageLayout())
        tabs << QString::fromUtf8(p.TabCaption);
    TabSet1->SetTabs(tabs);
    TabSet1->OnChange = [this](int newTab, bool &allow) { TabSet1Change(newTab, allow); };

    CreatePages();
    CreateSidePanel();

    StatusBar1 = new TStatusBar({150, 0}, ClientArea);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setGeometry(0, ClientHeight - 19, ClientWidth, 19);
    // The pages reach 3 pixels under the status bar; the bar stays on top.
    StatusBar1->raise();

    TabSet1->SetTabIndex(0);
    Notebook1->setCurrentIndex(0);

    // Not resizable, no maximise: the minimum and the maximum are the designed size.
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    move(281, 127);

    Application().AddIdleHandler(this, [this] { UpdateMailButton(); });
    NameForScreenReaders();
}

void TMainForm::NameForScreenReaders() {
    for (QToolButton *b :
         {BtnEkle, BtnDuzen, BtnSil, BtnKaydet, BtnYazdir, BtnAyar, BtnCikis, BtnREkle, BtnRSil, BtnYenile})
        NameButton(b);
    // The designed search box, list and mail button carry no caption or hint.
    Edit1->setAccessibleName(QStringLiteral("Ara"));
    Edit1->setAccessibleDescription(QStringLiteral("Adın başını yazın, liste daralır"));
    DBGrid1->setAccessibleName(QStringLiteral("Adı Soyadı listesi"));
    DBGrid1->setAccessibleDescription(QStringLiteral("Seçilen kişi sayfalarda gösterilir"));
    BtnMail->setAccessibleName(QStringLiteral("E-posta gönder"));
    BtnMail->setAccessibleDescription(QStringLiteral("E-posta adresine yeni ileti yaz"));
    ToolBar1->setAccessibleName(QStringLiteral("Araç çubuğu"));
    TabSet1->setAccessibleName(QStringLiteral("Sayfalar"));
}

TMainForm::~TMainForm() = default;

void TMainForm::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    // A window manager that ignores the size limits still must not maximise it.
    if (event->type() == QEvent::WindowStateChange &&
        (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        QMetaObject::invokeMethod(
            this,
            [this] {
                setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
                resize(minimumSize());
            },
            Qt::QueuedConnection);
}

void TMainForm::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (FPlaced || !screen()) return;
    FPlaced = true;
    // The window manager's frame is not known yet; allow for a title bar.
    const QSize frame = size() + QSize(8, 32);
    const QPoint at = PlaceOnScreen(pos(), frame, screen()->availableGeometry());
    if (at != pos()) move(at);
}

QAction *TMainForm::MenuItem(QMenu *menu, const QString &name, const QString &caption, const QString &hint,
                             int image) {
    QAction *a = menu->addAction(caption);
    a->setObjectName(name);
    if (image >= 0) a->setIcon(ImageList1.Icon(image));
    a->setIconVisibleInMenu(image >= 0);
    Application().WatchActionHint(a, hint);
    return a;
}

void TMainForm::CreateMenus() {
    QMenuBar *bar = menuBar();
    bar->setObjectName("MainMenu1");
    bar->setNativeMenuBar(false);
    auto topMenu = [&](const QString &name, const QString &caption) {
        QMenu *m = bar->addMenu(caption);
        m->setObjectName(name);
        m->menuAction()->setObjectName(name);
        Application().WatchActionHint(m->menuAction(), QString());
        return m;
    };

    Dosya1 = topMenu("Dosya1", QStringLiteral("Dosya"));
    Ekle1 = MenuItem(Dosya1, "Ekle1", QStringLiteral("Ekle"), QStringLiteral("Yeni kayıt ekle"), imgAdd);
    Sil1 = MenuItem(Dosya1, "Sil1", QStringLiteral("Sil"), QStringLiteral("Aktif kaydı sil"), imgDelete);
    Kaydet1 = MenuItem(Dosya1, "Kaydet1", QStringLiteral("Kaydet"), QStringLiteral("Değişiklikleri kaydet"),
                       imgSave);
    LinkToAction(Kaydet1, DataSetPost1);
    Dosya1->addSeparator()->setObjectName("N1");
    Cikis1 = MenuItem(Dosya1, "Cikis1", QStringLiteral("Çıkış"), QStringLiteral("Programı kapat"), -1);
    On(Cikis1, &QAction::triggered, this, [this] { Cikis1Click(); });

    Dzen1 = topMenu("Dzen1", QStringLiteral("Düzen"));
    Duzenle1 = MenuItem(Dzen1, "Duzenle1", QStringLiteral("Düzenle"), QStringLiteral("Aktif kaydı düzenle"),
                        imgEdit);
    LinkToAction(Duzenle1, DataSetEdit1);
    Dzen1->addSeparator()->setObjectName("N2");
    Ayarlar1 = MenuItem(Dzen1, "Ayarlar1", QStringLiteral("Ayarlar ..."),
                        QStringLiteral("Ayarlar penceresini aç"), imgSettings);

    Rapor1 = topMenu("Rapor1", QStringLiteral("Rapor"));
    TelYazdr1 = MenuItem(Rapor1, "TelYazdr1", QStringLiteral("Telefonları Yazdır ..."),
                         QStringLiteral("Yazdırma penceresini aç"), imgPrint);
    DetayYazdir1 =
        MenuItem(Rapor1, "DetayYazdir1", QStringLiteral("Detaylı Yazdır ..."), QString(), imgPrint);
    Rapor1->addSeparator()->setObjectName("N3");
    AktifKayt1 = Rapor1->addMenu(QStringLiteral("Aktif Kayıt"));
    AktifKayt1->setObjectName("AktifKayt1");
    AktifKayt1->menuAction()->setObjectName("AktifKayt1");
    Application().WatchActionHint(AktifKayt1->menuAction(), QString());
    KiiselBilgileriYazdr1 = MenuItem(AktifKayt1, "KiiselBilgileriYazdr1",
                                     QStringLiteral("Kişisel Bilgileri Yazdır"), QString(), -1);
    FirmaBilgileriniYazdr1 = MenuItem(AktifKayt1, "FirmaBilgileriniYazdr1",
                                      QStringLiteral("Firma Bilgilerini Yazdır"), QString(), -1);
    KimlikBilgileriniYazdr1 = MenuItem(AktifKayt1, "KimlikBilgileriniYazdr1",
                                       QStringLiteral("Kimlik Bilgilerini Yazdır"), QString(), -1);
    // Offered but never available.
    for (QAction *a : {KiiselBilgileriYazdr1, FirmaBilgileriniYazdr1, KimlikBilgileriniYazdr1})
        a->setEnabled(false);

    Hakknda1 = topMenu("Hakknda1", QStringLiteral("Hakkında"));
    Yardim1 = MenuItem(Hakknda1, "Yardim1", QStringLiteral("Yardım ..."), QString(), -1);
    Yardim1->setShortcut(QKeySequence(Qt::Key_F1));
    Yardim1->setShortcutContext(Qt::WindowShortcut);
    addAction(Yardim1); // F1 works wherever the focus is in the window
    Hakknda1->addSeparator()->setObjectName("N4");
    Hakknda2 = MenuItem(Hakknda1, "Hakknda2", QStringLiteral("Hakkında ..."), QString(), -1);
}

void TMainForm::CreateToolBar() {
    ToolBar1 = new TToolBar(ClientArea);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setGeometry(0, 0, ClientWidth, 44);
    ToolBar1->SetEdgeBorders(true);
    ToolBar1->SetShowCaptions(true);
    ToolBar1->SetButtonSize(52, 36);
    ToolBar1->SetIndent(3);
    auto button = [&](const char *name, const QString &caption, int image, const QString &hint,
                      QAction *runs) {
        QToolButton *b = ToolBar1->AddButton(name, caption, ImageList1.Icon(image));
        // These hints go to the status bar only.
        TApplication::SetWidgetHint(b, hint, false);
        LinkToAction(b, runs);
        return b;
    };
    BtnEkle = button("BtnEkle", QStringLiteral("Ekle"), imgAdd, QStringLiteral("Yeni kayıt ekle"), Ekle1);
    BtnDuzen = button("BtnDuzen", QStringLiteral(" Düzenle "), imgEdit, QStringLiteral("Aktif kaydı düzenle"),
                      DataSetEdit1);
    BtnSil = button("BtnSil", QStringLiteral("Sil"), imgDelete, QStringLiteral("Aktif kaydı sil"), Sil1);
    BtnKaydet = button("BtnKaydet", QStringLiteral("Kaydet"), imgSave,
                       QStringLiteral("Değişiklikleri kaydet"), DataSetPost1);
    ToolBar1->AddSeparator("BtnCizgi1", 8);
    BtnYazdir = button("BtnYazdir", QStringLiteral("Yazdır"), imgPrint,
                       QStringLiteral("Yazdırma penceresini aç"), TelYazdr1);
    ToolBar1->AddSeparator("BtnCizgi2", 8);
    BtnAyar = button("BtnAyar", QStringLiteral("Ayar"), imgSettings, QStringLiteral("Ayarlar penceresini aç"),
                     Ayarlar1);
    ToolBar1->AddSeparator("BtnCizgi3", 8);
    BtnCikis = button("BtnCikis", QStringLiteral("Çıkış"), imgExit, QStringLiteral("Programı kapat"), Cikis1);
}

void TMainForm::CreatePages() {
    Notebook1 = new QStackedWidget(ClientArea);
    Notebook1->setObjectName("Notebook1");
    Notebook1->setGeometry(0, 72, 488, 249);
    QGroupBox **boxes[] = {&GroupBox1, &GroupBox2, &GroupBox3, &GroupBox4};
    const auto layout = kadrolin::records::PageLayout();
    for (int i = 0; i < 4; ++i) {
        const auto &p = layout[static_cast<size_t>(i)];
        auto *page = new QWidget;
        page->setObjectName(QString::fromUtf8(p.PageName));
        auto *box = new QGroupBox(page);
        box->setObjectName(QString::fromUtf8(p.FrameName));
        box->setGeometry(3, 0, 481, 249);
        *boxes[i] = box;
        Pages[static_cast<size_t>(i)] = page;
        Notebook1->addWidget(page);
    }
    CreatePicturePanel();
}

void TMainForm::CreatePicturePanel() {
    Panel1 = Groove(GroupBox1, "Panel1", QRect(360, 32, 113, 135));
    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName("Panel2");
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setGeometry(Panel1->contentsRect().adjusted(1, 1, -1, -1));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    auto item = [&](const char *name, const QString &caption) {
        QAction *a = PopupMenu1->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    Ekle2 = item("Ekle2", QStringLiteral("Ekle"));
    Sil2 = item("Sil2", QStringLiteral("Sil"));
    PopupMenu1->addSeparator()->setObjectName("N2");
    Kes2 = item("Kes2", QStringLiteral("Kes"));
    Kopyala2 = item("Kopyala2", QStringLiteral("Kopyala"));
    Yapistir2 = item("Yapistir2", QStringLiteral("Yapıştır"));

    auto *placeholder = new QLabel(Panel2);
    SetPictureControl(placeholder);

    ToolBar2 = new TToolBar(GroupBox1);
    ToolBar2->setObjectName("ToolBar2");
    ToolBar2->setGeometry(360, 167, 113, 30);
    ToolBar2->SetEdgeBorders(true);
    ToolBar2->SetButtonSize(30, 22);
    ToolBar2->SetIndent(15);
    // The drop-down button is wider by its arrow.
    BtnREkle = ToolBar2->AddButton("BtnREkle", QString(), ImageList1.Icon(imgAddPicture), 13);
    BtnREkle->setPopupMode(QToolButton::MenuButtonPopup);
    BtnREkle->setMenu(PopupMenu1);
    TApplication::SetWidgetHint(
        BtnREkle, QStringLiteral("Resim Ekle|Resim ekle. Detaylar için açılır menüyü seç"), true);
    connect(BtnREkle, &QToolButton::clicked, Ekle2, &QAction::trigger);
    ToolBar2->AddSeparator("BtnCizgi4", 8);
    BtnRSil = ToolBar2->AddButton("BtnRSil", QStringLiteral("Resim Sil"), ImageList1.Icon(imgDelete));
    TApplication::SetWidgetHint(BtnRSil, QStringLiteral("Resmi Sil |Resmi sil"), true);
    connect(BtnRSil, &QToolButton::clicked, Sil2, &QAction::trigger);

    BtnMail = new QToolButton(GroupBox1);
    BtnMail->setObjectName("BtnMail");
    BtnMail->setGeometry(330, 192, 23, 22);
    BtnMail->setAutoRaise(true);
    BtnMail->setFocusPolicy(Qt::NoFocus);
    BtnMail->setIcon(TImageList::MailIcon());
    BtnMail->setEnabled(false);
    On(BtnMail, &QToolButton::clicked, this, [this] { BtnMailClick(); });
}

void TMainForm::SetPictureControl(QWidget *control) {
    if (!control || control == Image1) return;
    if (Image1) Image1->deleteLater();
    control->setParent(Panel2);
    control->setObjectName("Image1");
    control->setGeometry(Panel2->contentsRect());
    TApplication::SetWidgetHint(control, QStringLiteral("Eklemek için çift veya ters tıkla"), false);
    control->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(control, &QWidget::customContextMenuRequested, this,
            [this, control](const QPoint &pos) { PopupMenu1->popup(control->mapToGlobal(pos)); });
    control->show();
    Image1 = control;
}

void TMainForm::CreateSidePanel() {
    Panel3 = Groove(ClientArea, "Panel3", QRect(488, 48, 181, 273));

    Edit1 = new TEdit(Panel3);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(8, 6, 129, 21);
    Edit1->OnKeyPress = [this](QWidget *sender, QChar &key) { Edit1KeyPress(sender, key); };

    ToolBar3 = new TToolBar(Panel3);
    ToolBar3->setObjectName("ToolBar3");
    ToolBar3->setGeometry(144, 2, 29, 26);
    ToolBar3->SetButtonSize(23, 22);
    BtnYenile = ToolBar3->AddButton("BtnYenile", QString(), ImageList1.Icon(imgRefresh));
    TApplication::SetWidgetHint(BtnYenile, QStringLiteral("Yenile |Listeyi yenile / sırala"), true);

    DBGrid1 = new TSrDBGrid(Panel3);
    DBGrid1->setObjectName("DBGrid1");
    DBGrid1->setGeometry(8, 32, 164, 233);
    DBGrid1->SetColumns({{QStringLiteral("A_Adi"), QStringLiteral("  Adı Soyadı "), 140}});
    DBGrid1->horizontalHeader()->setFont(QFont("MS Sans Serif", 8));
}

void TMainForm::SetMailBox(QLineEdit *box) {
    FMailBox = box;
    UpdateMailButton();
}

void TMainForm::TabSet1Change(int NewTab, bool &AllowChange) {
    Notebook1->setCurrentIndex(NewTab);
    AllowChange = true;
}

void TMainForm::Edit1KeyPress(QWidget *Sender, QChar &Key) {
    const QString typed(Key);
    const QString replaced = CapitaliseKeyText(Sender, typed);
    if (replaced.size() == 1) Key = replaced.at(0);
}

void TMainForm::DBEdit1KeyPress(QWidget *Sender, QChar &Key) {
    // The same rule; the record boxes are edit boxes of another kind.
    Edit1KeyPress(Sender, Key);
}

void TMainForm::HintGoster() {
    StatusBar1->SetPanelText(1, QStringLiteral(" ") + Application().Hint());
}

void TMainForm::BtnMailClick() {
    if (!FMailBox) return;
    // The shell's answer is of no use: with no mail program nothing happens.
    ShellExecute(QStringLiteral("mailto:") + FMailBox->text());
}

void TMainForm::Cikis1Click() {
    close();
}

void TMainForm::UpdateMailButton() {
    BtnMail->setEnabled(FMailBox && !FMailBox->text().isEmpty());
}

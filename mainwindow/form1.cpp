#include "mainwindow/form1.h"

#include "platform/widgets/application.h"
#include "platform/widgets/dbcontrols.h"
#include "platform/widgets/dialogs.h"
#include "records/recordcommands.h"
#include "records/recordlayout.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>

using namespace kadrolin;
using namespace kadrolin::records;

namespace {

QString Q(const char *utf8) {
    return QString::fromUtf8(utf8);
}
QString Q(const std::string &utf8) {
    return QString::fromStdString(utf8);
}

template <class T> T *Named(T *w, const QString &name) {
    w->setObjectName(name);
    return w;
}

} // namespace

TForm1::TForm1(QWidget *parent)
    : QMainWindow(parent), ADOQuery1(std::make_unique<data::TQuery>("ADOQuery1")),
      DataSource1(std::make_unique<data::TDataSource>()) {
    setObjectName("Form1");
    setWindowTitle(Q("Kadrolin 1.0"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(QFont(Q("MS Sans Serif"), 8));
    move(281, 127);

    ADOQuery1->SetDatabaseName(kDatabaseFile);
    const TStatementText initial = InitialStatement();
    ADOQuery1->SetSQL(initial.Sql, initial.Params);
    DataSource1->SetDataSet(ADOQuery1.get());
    DataSource1->AutoEdit = true;
    ADOQuery1->AfterScroll = [this](data::TQuery &) { ADOQuery1AfterScroll(); };
    // The count never goes stale: every change of the result rewrites it.
    auto recount = [this](data::TQuery &) { UpdateRecordCountPanel(); };
    ADOQuery1->AfterOpen = ADOQuery1->AfterClose = ADOQuery1->AfterPost = ADOQuery1->AfterInsert =
        ADOQuery1->AfterCancel = ADOQuery1->AfterDelete = recount;

    CreateCommands();
    auto *client = Named(new QWidget(this), "ClientArea");
    client->setFixedSize(672, 337 - 19);
    setCentralWidget(client);
    ToolBar1->setParent(client);
    ToolBar1->setGeometry(0, 0, 672, 44);
    CreatePages(client);
    CreateSidePanel(client);

    StatusBar1 = Named(new QStatusBar(this), "StatusBar1");
    StatusBar1->setFixedHeight(19);
    StatusBar1->setSizeGripEnabled(false);
    for (int i = 0; i < 2; ++i) {
        auto *panel = Named(new QLabel(StatusBar1), QString("StatusPanel%1").arg(i + 1));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (i == 0) panel->setFixedWidth(150);
        StatusBar1->addWidget(panel, i == 0 ? 0 : 1);
        FPanels.push_back(panel);
    }
    setStatusBar(StatusBar1);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    // The edit and store commands follow the query's state whenever the application goes idle.
    Application().AddIdleHandler(this, [this] { UpdateRecordActions(); });
    UpdateRecordCountPanel();
    UpdateRecordActions();

    Application().Guard([this] { FormCreate(); });
}

TForm1::~TForm1() {
    // Controls unlink from the data source before it goes.
    delete centralWidget();
    DataSource1.reset();
    ADOQuery1.reset();
}

void TForm1::CreateCommands() {
    const QStyle *st = style();
    auto makeAction = [this](const char *name, const char *caption, const char *hint,
                             QStyle::StandardPixmap pix, bool withIcon) {
        auto *a = Named(new QAction(Q(caption), this), Q(name));
        if (withIcon) a->setIcon(style()->standardIcon(pix));
        if (hint) Application().WatchActionHint(a, Q(hint));
        return a;
    };
    DataSetEdit1 =
        makeAction("DataSetEdit1", "Düzenle", "Aktif kaydı düzenle", QStyle::SP_FileDialogDetailedView, true);
    DataSetPost1 =
        makeAction("DataSetPost1", "Kaydet", "Değişiklikleri kaydet", QStyle::SP_DialogSaveButton, true);
    connect(DataSetEdit1, &QAction::triggered, this,
            [this] { Application().Guard([this] { DataSetEdit1Execute(); }); });
    connect(DataSetPost1, &QAction::triggered, this,
            [this] { Application().Guard([this] { DataSetPost1Execute(); }); });

    // Menus.
    Dosya1 = Named(menuBar()->addMenu(Q("Dosya")), "Dosya1");
    Ekle1 = makeAction("Ekle1", "Ekle", "Yeni kayıt ekle", QStyle::SP_FileIcon, true);
    Sil1 = makeAction("Sil1", "Sil", "Aktif kaydı sil", QStyle::SP_TrashIcon, true);
    Kaydet1 = makeAction("Kaydet1", "Kaydet", "Değişiklikleri kaydet", QStyle::SP_DialogSaveButton, true);
    Cikis1 = makeAction("Cikis1", "Çıkış", "Programı kapat", QStyle::SP_DialogCloseButton, false);
    Dosya1->addActions({Ekle1, Sil1, Kaydet1});
    Dosya1->addSeparator();
    Dosya1->addAction(Cikis1);
    Duzen1 = Named(menuBar()->addMenu(Q("Düzen")), "Duzen1");
    Duzenle1 =
        makeAction("Duzenle1", "Düzenle", "Aktif kaydı düzenle", QStyle::SP_FileDialogDetailedView, true);
    Ayarlar1 = makeAction("Ayarlar1", "Ayarlar ...", "Ayarlar penceresini aç", QStyle::SP_ComputerIcon, true);
    Duzen1->addAction(Duzenle1);
    Duzen1->addSeparator();
    Duzen1->addAction(Ayarlar1);
    Rapor1 = Named(menuBar()->addMenu(Q("Rapor")), "Rapor1");
    TelYazdr1 = makeAction("TelYazdr1", "Telefonları Yazdır ...", "Yazdırma penceresini aç",
                           QStyle::SP_FileDialogListView, true);
    DetayYazdir1 =
        makeAction("DetayYazdir1", "Detaylı Yazdır ...", nullptr, QStyle::SP_FileDialogListView, true);
    Rapor1->addActions({TelYazdr1, DetayYazdir1});
    Rapor1->addSeparator();
    AktifKayt1 = Named(Rapor1->addMenu(Q("Aktif Kayıt")), "AktifKayt1");
    KiiselBilgileriYazdr1 = makeAction("KiiselBilgileriYazdr1", "Kişisel Bilgileri Yazdır", nullptr,
                                       QStyle::SP_CustomBase, false);
    FirmaBilgileriniYazdr1 = makeAction("FirmaBilgileriniYazdr1", "Firma Bilgilerini Yazdır", nullptr,
                                        QStyle::SP_CustomBase, false);
    KimlikBilgileriniYazdr1 = makeAction("KimlikBilgileriniYazdr1", "Kimlik Bilgilerini Yazdır", nullptr,
                                         QStyle::SP_CustomBase, false);
    for (QAction *a : {KiiselBilgileriYazdr1, FirmaBilgileriniYazdr1, KimlikBilgileriniYazdr1}) {
        a->setEnabled(false);
        AktifKayt1->addAction(a);
    }
    Hakkinda1 = Named(menuBar()->addMenu(Q("Hakkında")), "Hakkinda1");
    Yardim1 = makeAction("Yardim1", "Yardım ...", nullptr, QStyle::SP_CustomBase, false);
    Yardim1->setShortcut(Qt::Key_F1);
    Hakknda2 = makeAction("Hakknda2", "Hakkında ...", nullptr, QStyle::SP_CustomBase, false);
    Hakkinda1->addAction(Yardim1);
    Hakkinda1->addSeparator();
    Hakkinda1->addAction(Hakknda2);

    connect(Ekle1, &QAction::triggered, this, [this] { Application().Guard([this] { BtnEkleClick(); }); });
    connect(Sil1, &QAction::triggered, this, [this] { Application().Guard([this] { Sil1Click(); }); });
    connect(Kaydet1, &QAction::triggered, DataSetPost1, &QAction::trigger);
    connect(Duzenle1, &QAction::triggered, DataSetEdit1, &QAction::trigger);
    connect(Cikis1, &QAction::triggered, this, [this] { Application().Guard([this] { Cikis1Click(); }); });

    // Toolbar.
    ToolBar1 = Named(new QToolBar(this), "ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    auto button = [this, st](const char *name, const char *caption, const char *hint,
                             QStyle::StandardPixmap pix, std::function<void()> run) {
        auto *b = Named(new QToolButton(ToolBar1), Q(name));
        b->setText(Q(caption));
        b->setIcon(st->standardIcon(pix));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setFixedSize(52, 36);
        TApplication::SetWidgetHint(b, Q(hint), false);
        connect(b, &QToolButton::clicked, this, [run] { run(); });
        ToolBar1->addWidget(b);
        return b;
    };
    auto guarded = [](std::function<void()> f) { return [f] { Application().Guard(f); }; };
    BtnEkle = button("BtnEkle", "Ekle", "Yeni kayıt ekle", QStyle::SP_FileIcon,
                     guarded([this] { BtnEkleClick(); }));
    BtnDuzen = button("BtnDuzen", " Düzenle ", "Aktif kaydı düzenle", QStyle::SP_FileDialogDetailedView,
                      [this] { DataSetEdit1->trigger(); });
    BtnSil =
        button("BtnSil", "Sil", "Aktif kaydı sil", QStyle::SP_TrashIcon, guarded([this] { Sil1Click(); }));
    BtnKaydet = button("BtnKaydet", "Kaydet", "Değişiklikleri kaydet", QStyle::SP_DialogSaveButton,
                       [this] { DataSetPost1->trigger(); });
    ToolBar1->addSeparator();
    BtnYazdir = button("BtnYazdir", "Yazdır", "Yazdırma penceresini aç", QStyle::SP_FileDialogListView,
                       [this] { TelYazdr1->trigger(); });
    ToolBar1->addSeparator();
    BtnAyar = button("BtnAyar", "Ayar", "Ayarlar penceresini aç", QStyle::SP_ComputerIcon,
                     [this] { Ayarlar1->trigger(); });
    ToolBar1->addSeparator();
    BtnCikis = button("BtnCikis", "Çıkış", "Programı kapat", QStyle::SP_DialogCloseButton,
                      guarded([this] { Cikis1Click(); }));
    // Buttons and items linked to an action follow its enabled state.
    connect(DataSetEdit1, &QAction::changed, this, [this] {
        BtnDuzen->setEnabled(DataSetEdit1->isEnabled());
        Duzenle1->setEnabled(DataSetEdit1->isEnabled());
    });
    connect(DataSetPost1, &QAction::changed, this, [this] {
        BtnKaydet->setEnabled(DataSetPost1->isEnabled());
        Kaydet1->setEnabled(DataSetPost1->isEnabled());
    });
}

void TForm1::CreatePages(QWidget *client) {
    TabSet1 = Named(new QTabBar(client), "TabSet1");
    TabSet1->setGeometry(3, 48, 481, 21);
    TabSet1->setShape(QTabBar::TriangularSouth);
    TabSet1->setDrawBase(false);
    TabSet1->setExpanding(false);
    Notebook1 = Named(new QStackedWidget(client), "Notebook1");
    Notebook1->setGeometry(0, 72, 488, 249);
    for (const TPageLayout &p : PageLayout()) {
        TabSet1->addTab(Q(p.TabCaption));
        auto *page = Named(new QWidget, Q(p.PageName));
        auto *frame = Named(new QGroupBox(page), Q(p.FrameName));
        frame->setGeometry(3, 0, 481, 249);
        GroupBoxes.push_back(frame);
        Notebook1->addWidget(page);
    }
    connect(TabSet1, &QTabBar::currentChanged, this,
            [this](int i) { Application().Guard([this, i] { TabSet1Change(i); }); });

    for (const TColumnLayout &c : RecordLayout()) {
        QGroupBox *frame = GroupBoxes[c.Page];
        QWidget *control = nullptr;
        int height = kControlHeight;
        switch (c.Kind) {
        case ckEdit: {
            auto *e = new TDBEdit(frame);
            e->SetDataSource(DataSource1.get());
            e->SetDataField(Q(c.FieldName));
            control = e;
            break;
        }
        case ckComboBox: {
            auto *cb = new TDBComboBox(frame);
            for (const char *v : c.Values)
                cb->addItem(Q(v));
            cb->SetDataSource(DataSource1.get());
            cb->SetDataField(Q(c.FieldName));
            control = cb;
            break;
        }
        case ckMemo: {
            auto *m = new TDBMemo(frame);
            m->setFont(QFont(Q("Arial"), 10));
            m->SetDataSource(DataSource1.get());
            m->SetDataField(Q(c.FieldName));
            control = m;
            height = 201;
            break;
        }
        case ckPicture:
            continue; // the picture control belongs to the picture panel
        }
        control->setObjectName(Q(c.ControlName));
        control->setGeometry(c.Left, c.Top, c.Width, height);
        control->setProperty("dataField", Q(c.FieldName));
        control->setProperty("capitalised", c.Capitalised);
        FControls.insert(Q(c.ControlName), control);
        if (c.Caption) {
            auto *label = Named(new QLabel(Q(c.Caption), frame), Q(c.LabelName));
            label->setGeometry(c.Left, c.Top - kLabelAbove, std::max(c.Width, label->sizeHint().width()), 14);
            label->setBuddy(control);
            FControls.insert(Q(c.LabelName), label);
        }
    }
    DBEdit1 = static_cast<TDBEdit *>(FControls.value("DBEdit1"));
}

QTableView *TForm1::CreateNameGrid(QWidget *parent, data::TDataSource *source) {
    auto *grid = new TDBGrid(parent);
    grid->SetDataSource(source);
    grid->SetColumns({{Q(kNameField), Q("  Adı Soyadı "), 140}});
    return grid;
}

void TForm1::CreateSidePanel(QWidget *client) {
    auto *panel = Named(new QFrame(client), "Panel3");
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(488, 48, 181, 273);
    Panel3 = panel;
    Edit1 = Named(new TEdit(panel), "Edit1");
    Edit1->setGeometry(8, 6, 129, 21);
    connect(Edit1, &QLineEdit::textChanged, this, [this] { Application().Guard([this] { Edit1Change(); }); });
    ToolBar3 = Named(new QToolBar(panel), "ToolBar3");
    ToolBar3->setGeometry(144, 2, 30, 29);
    ToolBar3->setIconSize(QSize(16, 16));
    BtnYenile = Named(new QToolButton(ToolBar3), "BtnYenile");
    BtnYenile->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    BtnYenile->setAutoRaise(true);
    TApplication::SetWidgetHint(BtnYenile, Q("Yenile |Listeyi yenile / sırala"), true);
    ToolBar3->addWidget(BtnYenile);
    connect(BtnYenile, &QToolButton::clicked, this,
            [this] { Application().Guard([this] { BtnYenileClick(); }); });
    DBGrid1 = CreateNameGrid(panel, DataSource1.get());
    DBGrid1->setObjectName("DBGrid1");
    DBGrid1->setGeometry(8, 32, 164, 233);
}

QString TForm1::PanelText(int panel) const {
    return FPanels.value(panel) ? FPanels[panel]->text() : QString();
}

void TForm1::SetPanelText(int panel, const QString &text) {
    if (QLabel *l = FPanels.value(panel)) l->setText(text);
}

// ---------------------------------------------------------------- handlers

void TForm1::FormCreate() {
    ADOQuery1->Open();
    TabSet1->setCurrentIndex(0);
    Notebook1->setCurrentIndex(0);
    LoadAppearance();
}

void TForm1::FormShow() {
    RunStatement(*ADOQuery1, OrderedStatement());
    Application().OnHint = [this] { HintGoster(); };
    Edit1->setFocus();
}

void TForm1::FormClose() {
    const auto state = ADOQuery1->State();
    if (state == data::dsEdit || state == data::dsInsert) {
        if (MessageBox(Q("Değişiklikleri kaydetmek istiyor musunuz?"), Q("Dikkat !"), mbYes | mbNo) == mrYes)
            ADOQuery1->Post();
        else
            ADOQuery1->Cancel();
    }
    SaveAppearance();
}

void TForm1::Edit1Change() {
    RunStatement(*ADOQuery1, SearchStatement(Edit1->text().toStdString()));
}

void TForm1::BtnYenileClick() {
    // A row that cannot be stored stops the refresh before the search box is touched.
    if (ADOQuery1->Active()) ADOQuery1->CheckBrowseMode();
    Edit1->setText(QString());
    RunStatement(*ADOQuery1, OrderedStatement());
}

void TForm1::BtnEkleClick() {
    TabSet1->setCurrentIndex(0);
    Notebook1->setCurrentIndex(0);
    DBEdit1->setFocus();
    ADOQuery1->Insert();
}

void TForm1::Sil1Click() {
    const std::string name = ADOQuery1->FieldByName(kNameField).AsString();
    if (MessageDlg(Q(DeleteQuestion(name)), mtWarning, mbYes | mbNo) == mrYes) ADOQuery1->Delete();
}

void TForm1::ADOQuery1AfterScroll() {
    UpdateRecordCountPanel();
}

void TForm1::UpdateRecordCountPanel() {
    SetPanelText(0, Q(RecordCountText(*ADOQuery1)));
}

void TForm1::DataSetEdit1Execute() {
    ADOQuery1->Edit();
}

void TForm1::DataSetPost1Execute() {
    ADOQuery1->Post();
}

void TForm1::Cikis1Click() {
    close();
}

void TForm1::TabSet1Change(int newTab) {
    Notebook1->setCurrentIndex(newTab);
}

void TForm1::HintGoster() {
    SetPanelText(1, QStringLiteral(" ") + Application().Hint());
}

void TForm1::UpdateRecordActions() {
    DataSetEdit1->setEnabled(EditCommandEnabled(*ADOQuery1));
    DataSetPost1->setEnabled(PostCommandEnabled(*ADOQuery1));
}

void TForm1::LoadAppearance() {
    if (OnLoadAppearance) OnLoadAppearance(*this);
}

void TForm1::SaveAppearance() {
    if (OnSaveAppearance) OnSaveAppearance(*this);
}

void TForm1::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (!FShown) {
        FShown = true;
        Application().Guard([this] { FormShow(); });
    }
}

void TForm1::closeEvent(QCloseEvent *event) {
    // A failed store or settings write keeps the window open; a later close asks again.
    if (Application().Guard([this] { FormClose(); }))
        event->accept();
    else
        event->ignore();
}

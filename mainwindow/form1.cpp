#include "mainwindow/form1.h"

#include "platform/widgets/application.h"
#include "platform/widgets/dbcontrols.h"
#include "platform/widgets/dialogs.h"
#include "records/recordcommands.h"
#include "records/recordlayout.h"
#include "records/registeraddress.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>
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

// Runs a handler through the application's guard when the signal fires.
template <class Sender, class Signal, class F> void On(Sender *sender, Signal signal, QObject *ctx, F f) {
    QObject::connect(sender, signal, ctx, [f] { Application().Guard(f); });
}

} // namespace

TForm1::TForm1(QWidget *parent)
    : TMainForm(parent), ADOQuery1(std::make_unique<data::TQuery>("ADOQuery1")),
      DataSource1(std::make_unique<data::TDataSource>()) {
    std::string address;
    // An unreadable kadrolin.ini leaves the register where it is by design.
    Application().Guard([&] { address = ReadRegisterAddress(RegisterIniFileName()); });
    ADOQuery1->SetDatabaseName(RegisterDatabaseName(address));
    ADOQuery1->SetServerSchema(ServerSchemaSql());
    const TStatementText initial = InitialStatement();
    ADOQuery1->SetSQL(initial.Sql, initial.Params, initial.Keys);
    DataSource1->SetDataSet(ADOQuery1.get());
    DataSource1->AutoEdit = true;
    ADOQuery1->AfterScroll = [this](data::TQuery &) { ADOQuery1AfterScroll(); };
    // The count never goes stale: every change of the result rewrites it. The
    // list's row colours hang on record numbers, which a new row changes for all.
    auto recount = [this](data::TQuery &) {
        UpdateRecordCountPanel();
        DBGrid1->Invalidate();
    };
    ADOQuery1->AfterOpen = ADOQuery1->AfterClose = ADOQuery1->AfterPost = ADOQuery1->AfterInsert =
        ADOQuery1->AfterCancel = ADOQuery1->AfterDelete = recount;

    GroupBoxes = {GroupBox1, GroupBox2, GroupBox3, GroupBox4};
    CreateRecordControls();
    DBGrid1->SetDataSource(DataSource1.get());
    DBGrid1->SetColumns({{Q(kNameField), Q("  Adı Soyadı "), 140}});
    ConnectCommands();
    ConnectPicturePanel();
    ConnectExchange();

    // The edit and store commands follow the query's state whenever the application goes idle.
    Application().AddIdleHandler(this, [this] { UpdateRecordActions(); });
    UpdateRecordCountPanel();
    UpdateRecordActions();

    ShowRegisterName();
    // Others' work on a server shows while this clerk only browses.
    auto *watch = new QTimer(this);
    watch->setObjectName("RegisterWatch");
    connect(watch, &QTimer::timeout, this, [this] { RefreshFromOthers(); });
    watch->start(500);

    Application().Guard([this] { FormCreate(); });
}

void TForm1::ShowRegisterName() {
    const std::string name = RegisterDisplayName(ADOQuery1->DatabaseName());
    setWindowTitle(data::IsServerAddress(ADOQuery1->DatabaseName()) ? Q("Kadrolin 1.0 - " + name)
                                                                    : Q("Kadrolin 1.0"));
    HintGoster();
}

QString TForm1::RegisterStatusText() const {
    // The file shows nothing here, as designed; a server is named.
    std::string s = " ";
    if (data::IsServerAddress(ADOQuery1->DatabaseName())) s += RegisterDisplayName(ADOQuery1->DatabaseName());
    if (ADOQuery1->Active() && ADOQuery1->ReadOnly())
        s += std::string(s.size() > 1 ? " - " : "") +
             "Salt okunur: bu kullanıcının yalnızca okuma yetkisi var";
    return Q(s);
}

void TForm1::HintGoster() {
    const QString hint = Application().Hint();
    SetPanelText(1, hint.isEmpty() ? RegisterStatusText() : QStringLiteral(" ") + hint);
}

void TForm1::RefreshFromOthers() {
    if (!ADOQuery1->Active() || ADOQuery1->State() != data::dsBrowse) return;
    try {
        if (ADOQuery1->TakeChanged()) ADOQuery1->Refresh();
    } catch (const std::exception &) {
        // A server that went away is reported by the clerk's next command, not by the clock.
    }
}

TForm1::~TForm1() {
    if (FHintInstalled) Application().OnHint = nullptr;
    // Controls unlink from the data source before it goes.
    delete centralWidget();
    DataSource1.reset();
    ADOQuery1.reset();
}

void TForm1::ConnectCommands() {
    On(Ekle1, &QAction::triggered, this, [this] { BtnEkleClick(); });
    On(Sil1, &QAction::triggered, this, [this] { Sil1Click(); });
    On(DataSetEdit1, &QAction::triggered, this, [this] { DataSetEdit1Execute(); });
    On(DataSetPost1, &QAction::triggered, this, [this] { DataSetPost1Execute(); });
    On(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(); });
    On(BtnYenile, &QToolButton::clicked, this, [this] { BtnYenileClick(); });
}

void TForm1::CreateRecordControls() {
    for (const TColumnLayout &c : RecordLayout()) {
        QGroupBox *frame = GroupBoxes[c.Page];
        QWidget *control = nullptr;
        int height = kControlHeight;
        switch (c.Kind) {
        case ckEdit: {
            auto *e = new TDBEdit(frame);
            e->SetDataSource(DataSource1.get());
            e->SetDataField(Q(c.FieldName));
            if (c.Capitalised) e->OnKeyPress = [this](QWidget *s, QChar &k) { DBEdit1KeyPress(s, k); };
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
            m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
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
            auto *label = new QLabel(Q(c.Caption), frame);
            label->setObjectName(Q(c.LabelName));
            label->setGeometry(c.Left, c.Top - kLabelAbove, std::max(c.Width, label->sizeHint().width()), 14);
            label->setBuddy(control);
            control->setAccessibleName(AccessibleCaption(label->text()));
            FControls.insert(Q(c.LabelName), label);
        }
    }
    DBEdit1 = static_cast<TDBEdit *>(FControls.value("DBEdit1"));
    SetMailBox(qobject_cast<QLineEdit *>(FControls.value("DBEdit9")));
    // The mail button stands in front of the e-mail box's neighbour.
    BtnMail->raise();
}

// ---------------------------------------------------------------- handlers

void TForm1::FormCreate() {
    ADOQuery1->Open();
    DBGrid1->SetDefaultDrawing(false);
    TabSet1->SetTabIndex(0);
    Notebook1->setCurrentIndex(0);
}

void TForm1::FormShow() {
    RunStatement(*ADOQuery1, OrderedStatement());
    Application().OnHint = [this] { HintGoster(); };
    FHintInstalled = true;
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
    TabSet1->SetTabIndex(0);
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
    DBGrid1->Invalidate();
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

void TForm1::UpdateRecordActions() {
    DataSetEdit1->setEnabled(EditCommandEnabled(*ADOQuery1));
    DataSetPost1->setEnabled(PostCommandEnabled(*ADOQuery1));
    const bool writable = !ADOQuery1->ReadOnly();
    if (Ekle1->isEnabled() != writable) {
        for (QAction *a : {Ekle1, Sil1, Kaydet1, Duzenle1})
            a->setEnabled(writable);
        for (QToolButton *b : {BtnEkle, BtnSil, BtnKaydet, BtnDuzen, BtnREkle})
            b->setEnabled(writable);
        HintGoster();
    }
}

void TForm1::SaveAppearance() {
    if (OnSaveAppearance) OnSaveAppearance(*this);
}

void TForm1::showEvent(QShowEvent *event) {
    TMainForm::showEvent(event);
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

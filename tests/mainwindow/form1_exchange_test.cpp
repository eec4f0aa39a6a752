// The data commands of the "Dosya" menu in the real window, every dialog
// answered by script.
#include "form1_testutil.h"
#include "mainwindow/form1.h"
#include "mainwindow/importdlg.h"
#include "platform/widgets/application.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>
#include <QTest>

#include <fstream>

using namespace kadrolin;
using namespace kadrolin::testing;

namespace {

class Form1Exchange : public ::testing::Test {
  protected:
    void SetUp() override {
        Dir = std::make_unique<TRegisterDir>(std::initializer_list<const char *>{"Veli", "Ali"});
        Form = std::make_unique<TForm1>();
        Form->show();
        Dialogs.AnswerWith([this](const TDialogCall &c) {
            Calls.push_back(c.Kind + ":" + c.Text);
            if (c.Kind == "OpenFile" || c.Kind == "SaveFile") {
                *c.FileName = FileName;
                return int(mrOk);
            }
            if (c.Kind == "Modal") return OnModal ? OnModal(c.Dialog.data()) : int(QDialog::Rejected);
            if (c.Kind == "MessageDlg" && (c.Buttons & mbYes)) return int(mrYes);
            return int(mrOk);
        });
    }
    void TearDown() override {
        Form.reset();
        Dir.reset();
    }
    std::vector<std::string> List() const {
        std::vector<std::string> out;
        auto *m = Form->DBGrid1->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out.push_back(m->data(m->index(r, 0)).toString().toStdString());
        return out;
    }
    void Write(const std::string &name, const std::string &bytes) {
        std::ofstream(Dir->Path + "/" + name, std::ios::binary) << bytes;
        FileName = QString::fromStdString(Dir->Path + "/" + name);
    }

    std::unique_ptr<TRegisterDir> Dir;
    std::unique_ptr<TForm1> Form;
    TScriptedDialogs Dialogs;
    QString FileName;
    std::function<int(QDialog *)> OnModal;
    std::vector<QString> Calls;
};

} // namespace

TEST_F(Form1Exchange, FourItemsStandAboveExitWithTheirHints) {
    QStringList items;
    for (QAction *a : Form->Dosya1->actions())
        items << a->objectName() + (a->isSeparator() ? "" : "=" + a->text());
    EXPECT_EQ(items, (QStringList{"Ekle1=Ekle", "Sil1=Sil", "Kaydet1=Kaydet", "N1",
                                  QString::fromUtf8("IceAktar1=İçe Aktar ..."),
                                  QString::fromUtf8("DisaAktar1=Dışa Aktar ..."), "Yedekle1=Yedekle ...",
                                  QString::fromUtf8("GeriYukle1=Yedekten Geri Yükle ..."), "N9",
                                  QString::fromUtf8("Cikis1=Çıkış")}));
    EXPECT_EQ(Form->Yedekle1->statusTip(), QString::fromUtf8("Kayıt dosyasının yedeğini al"));
}

TEST_F(Form1Exchange, ImportStoresThePendingEditUsesTheEditedMappingAndRefreshesTheList) {
    Form->Edit1->setText("V"); // a search is active: the refresh ends it
    Form->ADOQuery1->Edit();
    Form->ADOQuery1->FieldByName("A_EvTel").SetAsString("111");
    Write("liste.csv", "Adı Soyadı;Ev Telefonu;T.C Kimlik No\nŞule;0212;10000000147\nBora;0216;\n");
    int previewRows = -1;
    OnModal = [&](QDialog *d) {
        auto *dlg = qobject_cast<TImportDlg *>(d);
        EXPECT_NE(dlg, nullptr);
        if (!dlg) return int(QDialog::Rejected);
        previewRows = dlg->GrdOnizleme->rowCount();
        EXPECT_EQ(dlg->GrdOnizleme->item(0, 0)->text(), QString::fromUtf8("Şule"));
        dlg->SetSource("A_EvTel", -1); // the user leaves the phones out
        return int(QDialog::Accepted);
    };
    Form->IceAktar1->trigger();
    EXPECT_EQ(previewRows, 2);
    EXPECT_EQ(List(), (std::vector<std::string>{"Ali", "Bora", "Şule", "Veli"}));
    EXPECT_EQ(Form->Edit1->text(), "");
    EXPECT_EQ(Dir->Scalar("SELECT A_EvTel FROM tarvelion WHERE A_Adi='Veli'"), "111");
    EXPECT_EQ(Dir->Scalar("SELECT count(A_EvTel) FROM tarvelion"), "1");
    ASSERT_FALSE(Calls.empty());
    EXPECT_TRUE(
        Calls.back().startsWith(QString::fromUtf8("MessageDlg:2 kişi eklendi; eşlenmeyen sütunlar atlandı: "
                                                  "Ev Telefonu; 1 uyarı.\n'liste.csv', satır 2")))
        << Calls.back().toStdString();

    // The same box shows the check-digit warning as its hint.
    auto *tc = qobject_cast<QLineEdit *>(Form->Control("DBEdit23"));
    ASSERT_NE(tc, nullptr);
    tc->setText("10000000147");
    EXPECT_EQ(tc->statusTip(), QString::fromUtf8("T.C. Kimlik No'nun kontrol haneleri tutmuyor."));
    tc->setText("10000000146");
    EXPECT_EQ(tc->statusTip(), "");
}

TEST_F(Form1Exchange, ExportBackupAndRestoreFromTheMenu) {
    FileName = QString::fromStdString(Dir->Path + "/liste.vcf");
    Form->DisaAktar1->trigger();
    EXPECT_EQ(Calls.back(), QString::fromUtf8("MessageDlg:2 kişi dışa aktarıldı: ") + FileName);
    EXPECT_TRUE(std::filesystem::exists(FileName.toStdString()));

    FileName = QString::fromStdString(Dir->Path + "/yedek.mdb");
    Form->Yedekle1->trigger();
    EXPECT_EQ(Calls.back(),
              QString::fromUtf8("MessageDlg:Yedek alındı: ") + FileName + QString::fromUtf8(" (2 kişi)"));

    Form->BtnEkleClick();
    Form->ADOQuery1->FieldByName("A_Adi").SetAsString("Yeni");
    Form->ADOQuery1->Post();
    ASSERT_EQ(List().size(), 3u);
    Form->GeriYukle1->trigger();
    EXPECT_TRUE(Calls[Calls.size() - 2].contains(QString::fromUtf8("Data.mdb.önceki")))
        << Calls[Calls.size() - 2].toStdString();
    EXPECT_EQ(List(), (std::vector<std::string>{"Ali", "Veli"}));
    EXPECT_EQ(Dir->Scalar("SELECT count(*) FROM tarvelion"), "2");
    EXPECT_TRUE(std::filesystem::exists(Dir->Path + "/Data.mdb.önceki"));
}

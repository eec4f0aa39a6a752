// The "Dosya" menu's data commands: import, export, backup, restore.
#include "exchange/backup.h"
#include "exchange/runs.h"
#include "mainwindow/form1.h"
#include "mainwindow/importdlg.h"
#include "platform/data/backend.h"
#include "platform/widgets/application.h"
#include "platform/widgets/dialogs.h"
#include "records/tckimlik.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>

#include <filesystem>

using namespace kadrolin;

namespace {

QString Q(const std::string &s) {
    return QString::fromStdString(s);
}

// A progress window with İptal for the run; the run asks it between rows.
class TRunProgress {
  public:
    TRunProgress(QWidget *parent, const QString &text)
        : FDialog(text, QStringLiteral("İptal"), 0, 1000, parent) {
        FDialog.setObjectName("ProgressDlg");
        FDialog.setWindowTitle(QStringLiteral("Kadrolin"));
        FDialog.setWindowModality(Qt::WindowModal);
        FDialog.setMinimumDuration(400);
        FDialog.setValue(0);
    }
    exchange::TProgress Callback() {
        return [this](double f) {
            FDialog.setValue(static_cast<int>(f * 1000));
            QCoreApplication::processEvents();
            return !FDialog.wasCanceled();
        };
    }

  private:
    QProgressDialog FDialog;
};

} // namespace

void TForm1::ConnectExchange() {
    auto item = [this](const char *name, const QString &caption, const QString &hint,
                       void (TForm1::*handler)()) {
        auto *a = new QAction(caption, this);
        a->setObjectName(name);
        Dosya1->insertAction(Cikis1, a);
        Application().WatchActionHint(a, hint);
        connect(a, &QAction::triggered, this,
                [this, handler] { Application().Guard([this, handler] { (this->*handler)(); }); });
        return a;
    };
    IceAktar1 = item("IceAktar1", QStringLiteral("İçe Aktar ..."),
                     QStringLiteral("Bir tablodan ya da eski Access dosyasından kişileri al"),
                     &TForm1::IceAktar1Click);
    DisaAktar1 =
        item("DisaAktar1", QStringLiteral("Dışa Aktar ..."),
             QStringLiteral("Kişileri CSV, XLSX ya da vCard dosyasına yaz"), &TForm1::DisaAktar1Click);
    Yedekle1 = item("Yedekle1", QStringLiteral("Yedekle ..."), QStringLiteral("Kayıt dosyasının yedeğini al"),
                    &TForm1::Yedekle1Click);
    GeriYukle1 = item("GeriYukle1", QStringLiteral("Yedekten Geri Yükle ..."),
                      QStringLiteral("Kayıt dosyasını bir yedekten geri yükle"), &TForm1::GeriYukle1Click);
    Dosya1->insertSeparator(Cikis1)->setObjectName("N9");

    // The T.C. Kimlik No box carries the check-digit warning as its hint.
    if (auto *box = qobject_cast<QLineEdit *>(Control("DBEdit23")))
        connect(box, &QLineEdit::textChanged, this, [box](const QString &text) {
            TApplication::SetWidgetHint(box, Q(records::TcKimlikNoWarning(text.trimmed().toStdString())),
                                        false);
        });
}

// A pending edit is stored if changed and dropped if not, as when moving to another row.
std::shared_ptr<data::TDatabase> TForm1::RegisterForExchange() {
    if (ADOQuery1->Active()) ADOQuery1->CheckBrowseMode();
    // Files are read and written by the exchange runs through their own connection; a server
    // register is moved with the database dialog instead.
    if (data::IsServerAddress(ADOQuery1->DatabaseName()))
        throw std::runtime_error("Bu işlem yalnızca dosyadaki bir kayıt defterinde yapılabilir.");
    return std::make_shared<data::TDatabase>(ADOQuery1->DatabaseName());
}

void TForm1::IceAktar1Click() {
    QString file;
    if (!OpenFileDialog(
            this,
            QStringLiteral("Tablolar ve Access dosyaları (*.csv *.txt *.xlsx *.mdb *.accdb);;CSV (*.csv "
                           "*.txt);;Excel çalışma kitabı (*.xlsx);;Access (*.mdb *.accdb)"),
            0, file, QStringLiteral("İçe Aktar")))
        return;
    TImportDlg dialog(file, this);
    int result = 0;
    if (!ExecModal(&dialog, result) || result != QDialog::Accepted) return;
    auto db = RegisterForExchange();
    exchange::TImportOptions options = dialog.Options();
    exchange::TImportResult r;
    {
        TRunProgress progress(this, QStringLiteral("İçe aktarılıyor ..."));
        options.Progress = progress.Callback();
        r = exchange::ImportFile(*db, file.toStdString(), options);
    }
    BtnYenileClick();
    QString text = Q(r.Summary()) + ".";
    for (size_t i = 0; i < r.Warnings.size() && i < 10; ++i)
        text += "\n" + Q(r.Warnings[i]);
    if (r.WarningCount > 10) text += QStringLiteral("\n... ve %1 uyarı daha").arg(r.WarningCount - 10);
    MessageDlg(text, r.WarningCount ? mtWarning : mtInformation, mbOK);
}

void TForm1::DisaAktar1Click() {
    QString file;
    if (!SaveFileDialog(
            this, QStringLiteral("CSV (*.csv);;Excel çalışma kitabı (*.xlsx);;vCard kartvizitleri (*.vcf)"),
            file, QStringLiteral("Dışa Aktar")))
        return;
    auto db = RegisterForExchange();
    long long n = 0;
    {
        TRunProgress progress(this, QStringLiteral("Dışa aktarılıyor ..."));
        n = exchange::ExportFile(*db, file.toStdString(), progress.Callback());
    }
    MessageDlg(QStringLiteral("%1 kişi dışa aktarıldı: %2").arg(n).arg(file), mtInformation, mbOK);
}

void TForm1::Yedekle1Click() {
    QString file;
    if (!SaveFileDialog(this, QStringLiteral("Kadrolin yedeği (*.mdb)"), file, QStringLiteral("Yedekle")))
        return;
    if (ADOQuery1->Active()) ADOQuery1->CheckBrowseMode();
    long long n = exchange::BackupRegister(ADOQuery1->DatabaseName(), file.toStdString());
    MessageDlg(QStringLiteral("Yedek alındı: %1 (%2 kişi)").arg(file).arg(n), mtInformation, mbOK);
}

void TForm1::GeriYukle1Click() {
    QString file;
    if (!OpenFileDialog(this, QStringLiteral("Kadrolin yedeği (*.mdb);;Tüm dosyalar (*)"), 0, file,
                        QStringLiteral("Yedekten Geri Yükle")))
        return;
    const std::string reg = ADOQuery1->DatabaseName();
    exchange::CheckRegisterFile(file.toStdString());
    if (MessageDlg(
            QStringLiteral("Kayıtlar \"%1\" yedeğindekilerle değiştirilsin mi? Şimdiki kayıtlar \"%2\" "
                           "dosyasında saklanır.")
                .arg(file, Q(std::filesystem::path(exchange::PreviousRegisterName(reg)).filename().string())),
            mtConfirmation, mbYes | mbNo) != mrYes)
        return;
    if (ADOQuery1->Active()) ADOQuery1->CheckBrowseMode();
    long long n = exchange::RestoreRegister(file.toStdString(), reg);
    BtnYenileClick();
    MessageDlg(QStringLiteral("Yedekten geri yüklendi: %1 kişi.").arg(n), mtInformation, mbOK);
}

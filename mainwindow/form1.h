#pragma once
// The main window: the frame of TMainForm filled with the record pages built
// from the record layout, bound to the one query; the record commands, the
// search box and name list, the status bar's record count and the window's
// creation, show and close handlers.
#include "mainwindow/mainform.h"
#include "pictures/dbjpegimage.h"
#include "platform/data/dataset.h"

#include <QHash>
#include <QList>

#include <functional>
#include <memory>

class QGroupBox;
class TDBEdit;

class TForm1 : public TMainForm {
    Q_OBJECT
  public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // The one query every window and report reads, and its data source.
    std::unique_ptr<kadrolin::data::TQuery> ADOQuery1;
    std::unique_ptr<kadrolin::data::TDataSource> DataSource1;

    QList<QGroupBox *> GroupBoxes; // GroupBox1 .. GroupBox4
    TDBEdit *DBEdit1 = nullptr;    // A_Adi
    // Every record control and label of the layout by component name.
    QWidget *Control(const QString &name) const { return FControls.value(name); }
    const QHash<QString, QWidget *> &Controls() const { return FControls; }

    // Status bar: panel 0 the record count, panel 1 the hint.
    QString PanelText(int panel) const { return StatusBar1->PanelText(panel); }
    void SetPanelText(int panel, const QString &text) { StatusBar1->SetPanelText(panel, text); }

    // Handlers, entered through the application's guard by the window layer.
    void FormCreate();
    void FormShow();
    void FormClose();
    void FormDestroy() {}
    void Edit1Change();
    void BtnYenileClick();
    void BtnEkleClick();
    void Sil1Click();
    void ADOQuery1AfterScroll();
    void DataSetEdit1Execute();
    void DataSetPost1Execute();
    // Brings the edit and store commands up to date (run when the application goes idle).
    void UpdateRecordActions();
    // Rewrites the record count panel from the query's present state.
    void UpdateRecordCountPanel();
    // The caption and the status bar name the register open (a server's name
    // in the caption) and say when this user may only read it.
    void ShowRegisterName();
    QString RegisterStatusText() const;
    void HintGoster();
    // While browsing, shows what other clerks changed on a server.
    void RefreshFromOthers();

    // The photo panel: the main window's decoder, the picture control in the
    // frame's place (this typed pointer hides the frame's plain one), the
    // five picture commands and the idle handler that enables them.
    kadrolin::TJPEGFileDecompressor JPGCompr;
    TDBJPEGImage *Image1 = nullptr;
    void Ekle2Click();
    void Sil2Click();
    void Kes2Click();
    void Kopyala2Click();
    void Yapistir2Click();
    void AppIdle();

    // The data commands of the "Dosya" menu, above "Çıkış".
    QAction *IceAktar1 = nullptr, *DisaAktar1 = nullptr, *Yedekle1 = nullptr, *GeriYukle1 = nullptr;
    void IceAktar1Click();
    void DisaAktar1Click();
    void Yedekle1Click();
    void GeriYukle1Click();

    // The appearance settings are saved by the settings owner's saver, and
    // loaded by it as it is attached (see AttachAppearance).
    void SaveAppearance();
    std::function<void(TForm1 &)> OnSaveAppearance;

  protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    void ConnectCommands();
    void CreateRecordControls();
    void ConnectPicturePanel();
    void ConnectExchange();
    std::shared_ptr<kadrolin::data::TDatabase> RegisterForExchange();
    QHash<QString, QWidget *> FControls;
    bool FShown = false;
    bool FHintInstalled = false;
};

#pragma once
// The main window: the record commands, the search box and name list, the
// editing pages built from the record layout, the status bar and the
// window's creation, show and close handlers.
#include "platform/data/dataset.h"

#include <QHash>
#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QStackedWidget;
class QStatusBar;
class QTabBar;
class QTableView;
class QToolBar;
class QToolButton;
class TDBEdit;
class TEdit;

class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // The one query every window and report reads, and its data source.
    std::unique_ptr<kadrolin::data::TQuery> ADOQuery1;
    std::unique_ptr<kadrolin::data::TDataSource> DataSource1;

    // Toolbar and commands.
    QToolBar *ToolBar1 = nullptr;
    QToolButton *BtnEkle = nullptr, *BtnDuzen = nullptr, *BtnSil = nullptr, *BtnKaydet = nullptr,
                *BtnYazdir = nullptr, *BtnAyar = nullptr, *BtnCikis = nullptr;
    QAction *DataSetEdit1 = nullptr, *DataSetPost1 = nullptr;
    // Menu items. Those of later subsystems (reports, settings, help, about)
    // are connected by whoever owns those windows.
    QMenu *Dosya1 = nullptr, *Duzen1 = nullptr, *Rapor1 = nullptr, *Hakkinda1 = nullptr,
          *AktifKayt1 = nullptr;
    QAction *Ekle1 = nullptr, *Sil1 = nullptr, *Kaydet1 = nullptr, *Cikis1 = nullptr, *Duzenle1 = nullptr,
            *Ayarlar1 = nullptr, *TelYazdr1 = nullptr, *DetayYazdir1 = nullptr,
            *KiiselBilgileriYazdr1 = nullptr, *FirmaBilgileriniYazdr1 = nullptr,
            *KimlikBilgileriniYazdr1 = nullptr, *Yardim1 = nullptr, *Hakknda2 = nullptr;

    // Editing pages.
    QTabBar *TabSet1 = nullptr;
    QStackedWidget *Notebook1 = nullptr;
    QList<QGroupBox *> GroupBoxes; // GroupBox1 .. GroupBox4
    TDBEdit *DBEdit1 = nullptr;    // A_Adi
    // Every record control and label of the layout by component name.
    QWidget *Control(const QString &name) const { return FControls.value(name); }
    const QHash<QString, QWidget *> &Controls() const { return FControls; }

    // Side panel.
    QWidget *Panel3 = nullptr;
    TEdit *Edit1 = nullptr;
    QToolBar *ToolBar3 = nullptr;
    QToolButton *BtnYenile = nullptr;
    QTableView *DBGrid1 = nullptr;

    // Status bar: panel 1 the record count, panel 2 the hint.
    QStatusBar *StatusBar1 = nullptr;
    QString PanelText(int panel) const;
    void SetPanelText(int panel, const QString &text);

    // The name list; the one place that decides the grid's class.
    static QTableView *CreateNameGrid(QWidget *parent, kadrolin::data::TDataSource *source);

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
    void Cikis1Click();
    void TabSet1Change(int newTab);
    void HintGoster();
    // Brings the edit and store commands up to date (run when the application goes idle).
    void UpdateRecordActions();
    // Rewrites the record count panel from the query's present state.
    void UpdateRecordCountPanel();

    // The appearance settings; their loader and saver are attached by the settings owner.
    void LoadAppearance();
    void SaveAppearance();
    std::function<void(TForm1 &)> OnLoadAppearance, OnSaveAppearance;

  protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    void CreateCommands();
    void CreatePages(QWidget *client);
    void CreateSidePanel(QWidget *client);
    QHash<QString, QWidget *> FControls;
    QList<QLabel *> FPanels;
    bool FShown = false;
};

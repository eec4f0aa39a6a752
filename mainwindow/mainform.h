#pragma once
// The main window's frame: fixed size and place, menu bar, toolbar, tab strip
// and page stack, the side panel with the search box and the name list, the
// picture panel's frame and buttons, the mail button and the status bar.
// Every piece carries its designed name as objectName. The record pages'
// fields and the commands' work are added by the window built on this one;
// commands of later parts of the program (reports, settings, help) are the
// public actions below, connected by whoever owns that work.
#include "mainwindow/capitaliser.h"
#include "mainwindow/imagelist.h"
#include "mainwindow/srdbgrid.h"
#include "mainwindow/toolbar.h"
#include "platform/widgets/tabset.h"

#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QStackedWidget>
#include <array>

class TMainForm : public QMainWindow {
    Q_OBJECT
  public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // Client area below the menu bar, as designed.
    static constexpr int ClientWidth = 672;
    static constexpr int ClientHeight = 337;

    TImageList ImageList1;

    // The actions the edit and store commands follow; whoever owns the data
    // enables them and does their work.
    QAction *DataSetEdit1 = nullptr;
    QAction *DataSetPost1 = nullptr;

    QWidget *ClientArea = nullptr;

    // Menu bar.
    QMenu *Dosya1 = nullptr, *Dzen1 = nullptr, *Rapor1 = nullptr, *Hakknda1 = nullptr;
    QAction *Ekle1 = nullptr, *Sil1 = nullptr, *Kaydet1 = nullptr, *Cikis1 = nullptr;
    QAction *Duzenle1 = nullptr, *Ayarlar1 = nullptr;
    QAction *TelYazdr1 = nullptr, *DetayYazdir1 = nullptr;
    QMenu *AktifKayt1 = nullptr;
    QAction *KiiselBilgileriYazdr1 = nullptr, *FirmaBilgileriniYazdr1 = nullptr,
            *KimlikBilgileriniYazdr1 = nullptr;
    QAction *Yardim1 = nullptr, *Hakknda2 = nullptr;

    // Toolbar.
    TToolBar *ToolBar1 = nullptr;
    QToolButton *BtnEkle = nullptr, *BtnDuzen = nullptr, *BtnSil = nullptr, *BtnKaydet = nullptr;
    QToolButton *BtnYazdir = nullptr, *BtnAyar = nullptr, *BtnCikis = nullptr;

    // Tab strip and pages.
    TTabSet *TabSet1 = nullptr;
    QStackedWidget *Notebook1 = nullptr;
    std::array<QWidget *, 4> Pages{};
    QGroupBox *GroupBox1 = nullptr, *GroupBox2 = nullptr, *GroupBox3 = nullptr, *GroupBox4 = nullptr;

    // Picture panel on the first page.
    QFrame *Panel1 = nullptr, *Panel2 = nullptr;
    // Stands in the picture's place until the picture control is put there.
    QWidget *Image1 = nullptr;
    TToolBar *ToolBar2 = nullptr;
    QToolButton *BtnREkle = nullptr, *BtnRSil = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *Ekle2 = nullptr, *Sil2 = nullptr, *Kes2 = nullptr, *Kopyala2 = nullptr, *Yapistir2 = nullptr;
    QToolButton *BtnMail = nullptr;

    // Side panel.
    QFrame *Panel3 = nullptr;
    TEdit *Edit1 = nullptr;
    TToolBar *ToolBar3 = nullptr;
    QToolButton *BtnYenile = nullptr;
    TSrDBGrid *DBGrid1 = nullptr;

    TStatusBar *StatusBar1 = nullptr;

    // The box whose address the mail button sends to.
    void SetMailBox(QLineEdit *box);
    QLineEdit *MailBox() const { return FMailBox; }

    // Puts a widget in the picture's place inside the picture panel.
    void SetPictureControl(QWidget *control);

    // Handlers of the window's own commands.
    void TabSet1Change(int NewTab, bool &AllowChange);
    // Key handlers of the search box and of the capitalised record boxes:
    // a typed character at a word start becomes its Turkish capital.
    void Edit1KeyPress(QWidget *Sender, QChar &Key);
    void DBEdit1KeyPress(QWidget *Sender, QChar &Key);
    void HintGoster();
    void BtnMailClick();
    void Cikis1Click();
    // Enables the mail button while the address box holds text; run when idle.
    void UpdateMailButton();

  protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

  private:
    void CreateMenus();
    void CreateToolBar();
    void CreatePages();
    void CreatePicturePanel();
    void CreateSidePanel();
    // Names and descriptions of the controls a screen reader cannot take from a label.
    void NameForScreenReaders();
    QAction *MenuItem(QMenu *menu, const QString &name, const QString &caption, const QString &hint,
                      int image);

    QLineEdit *FMailBox = nullptr;
    bool FPlaced = false;
};

// A button that runs an action and is enabled and disabled with it.
void LinkToAction(QToolButton *button, QAction *action);
// Where a window of the given outer size goes: at its designed place when it
// fits the screen's free area there, else moved just far enough to be wholly on
// it (a scaled screen makes the window larger, not the screen).
QPoint PlaceOnScreen(QPoint designed, QSize frame, const QRect &available);
// A label's caption as a screen reader's name: "Cep Telefonu :" -> "Cep Telefonu".
QString AccessibleCaption(const QString &caption);
// A menu item that runs an action and is enabled and disabled with it.
void LinkToAction(QAction *item, QAction *action);

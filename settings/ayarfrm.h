#pragma once
// The settings dialog "Genel Ayarlar": password page, four colours of the
// main window and the two picture options. Colour and picture choices act on
// the main window at once; picture choices are written at every close. The
// password page's operations and the start-up check are the password
// protection's, which the dialog is.
#include "platform/widgets/tcolor.h"
#include "security/passwordprotection.h"

#include <QColor>
#include <QDialog>
#include <QString>
#include <optional>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QTabWidget;
class TShape;

class TAyarFrm : public QDialog, public TPasswordProtection {
    Q_OBJECT
  public:
    // mainForm: the window whose named components the dialog recolours; it
    // must exist already, since creation reads it and may change its picture
    // options. settingsFile: the appearance settings file; protectionFile:
    // the profile file of the password protection.
    TAyarFrm(QWidget *mainForm, QString settingsFile,
             QString protectionFile = TPasswordProtection::DefaultIniFileName(), QWidget *parent = nullptr);
    ~TAyarFrm() override;

    QString SettingsFileName() const { return FSettingsFileName; }
    QWidget *MainForm() const { return FMainForm; }

    // Swatches from the colour keys (defaults: what the main window shows),
    // picture boxes from "Seçim" with their click handlers attached.
    void LoadDialogSettings();
    // Writes "Seçim"/"CRBox" and "Seçim"/"CRBBox"; raises when it cannot.
    void SavePictureOptions();

    // The colour the colour dialog opens on: the last one chosen in it.
    QColor ColorDialogColor() const { return FColorDialogColor; }

    // Components, by their designed names.
    QTabWidget *PageControl1;
    QWidget *TabSheet1, *TabSheet2, *TabSheet3;
    QPushButton *CancelBtn, *OKBtn;
    TShape *Shape5, *Shape6;
    QLabel *Label1;
    QPushButton *ChangePasswdBtn;
    QCheckBox *SifreChk;
    TShape *Shape7;
    QLabel *Label2;
    QFrame *Panel1, *Panel2;
    TShape *Shape1, *Shape2, *Shape3, *Shape4;
    QLabel *Label3, *Label4, *Label5, *Label7;
    TShape *Shape8, *Shape9;
    QLabel *Label6;
    QCheckBox *ChkResim, *ChkResim2;

  protected:
    void done(int result) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

  private:
    void CreateComponents();
    void FormCreate();
    void FormClose();
    void FormDestroy();
    void OkBtnClick();
    void CancelBtnClick();
    void Shape1MouseDown();
    void Shape2MouseDown();
    void Shape3MouseDown();
    void Shape4MouseDown();
    bool PickColor(TShape *swatch, TColor &chosen);
    void ChkResimClick();
    void ChkResim2Click();

    // What Close does in a modal run: the dialog ends once the handler returns.
    void Close() { FPendingResult = QDialog::Rejected; }
    void EndModal();

    QWidget *FMainForm;
    QString FSettingsFileName;
    QColor FColorDialogColor = Qt::black;
    std::optional<int> FPendingResult;
};

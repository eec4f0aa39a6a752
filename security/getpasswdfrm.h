#pragma once
// The enter-password dialog: closes with OK only once the exact password is typed.
#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

class TGetPassWdFrm : public QDialog {
    Q_OBJECT
  public:
    explicit TGetPassWdFrm(QWidget *parent = nullptr);

    // Shows the dialog modally; true when it closed with OK, which happens
    // only after the password that password stands for (as stored: its hash,
    // or clear text) was typed exactly.
    bool Execute(const QString &password);

    void FormShow();
    void BitBtn1Click();

    QFrame *Bevel1;
    QLabel *Image1;
    QLabel *Label1;
    QLineEdit *Edit1;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    QString FPassword;
};

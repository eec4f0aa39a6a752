#pragma once
// The change-password dialog: the old password (when there is one) and a new one.
#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

class TPassWdFrm : public QDialog {
    Q_OBJECT
  public:
    explicit TPassWdFrm(QWidget *parent = nullptr);

    // Clears both boxes, enables the old-password box only when password (as
    // stored: its hash, or clear text) is not empty, shows the dialog
    // modally; true when it closed with OK.
    bool Execute(const QString &password);
    // The new password typed; read after Execute returned true.
    QString NewPassword() const;

    void FormShow();
    void BitBtn1Click();

    // Longest password either box takes.
    static constexpr int MaxPasswordLength = 15;

    QFrame *Bevel1;
    QLabel *Label1;
    QLabel *Label2;
    QLineEdit *EdtEskiSifre;
    QLineEdit *EdtYeniSifre;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    QString FPassword;
};

// The message a new password gets when it holds a character the password
// store cannot keep; empty when it can be stored.
QString UnstorablePasswordMessage(const QString &password);

#pragma once
// The small window that stays on top while a report prints.
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

class TQRPrintProgress : public QDialog {
    Q_OBJECT
  public:
    explicit TQRPrintProgress(QWidget *parent = nullptr);
    // Shows the figure; the window changes only at multiples of 5.
    void SetProgress(int percent);
    bool CancelPressed() const { return FCancelled; }
    QString Text() const;
    int Value() const;
    QPushButton *CancelButton() const { return FCancel; }

  signals:
    void CancelClicked();

  private:
    QProgressBar *FBar;
    QLabel *FLabel;
    QPushButton *FCancel;
    bool FCancelled = false;
};

#pragma once
// The help window: the help text from "help.rtf" in the working directory,
// read-only, scrolling vertically.
#include <QDialog>

class QFrame;
class QTextEdit;

class TForm3 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm3(QWidget *owner = nullptr);

    QFrame *Panel1;
    QTextEdit *Yazi;

  private:
    void FormCreate();
};

// Creates a new help window and shows it modally; it is freed when closed.
void ShowHelpWindow(QWidget *owner);

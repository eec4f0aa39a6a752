#pragma once
// The one service every modal question and common dialog goes through, so
// tests can answer them by script and nothing waits on a real modal box.
#include <QColor>
#include <QString>
#include <functional>
#include <vector>

class QWidget;
class QDialog;
class QPrinter;
class QMessageBox;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };
using TMsgDlgButtons = int;
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// A message dialog of the given type; caption "Warning", "Error",
// "Information", "Confirm" (custom: the application title). Returns the
// modal result of the button pressed (closing the box: cancel, or no).
int MessageDlg(const QString &msg, TMsgDlgType type, TMsgDlgButtons buttons);
// A plain box without icon.
int MessageBox(const QString &text, const QString &caption, TMsgDlgButtons buttons);
// The application's default error display (one OK button, error icon).
void ShowErrorBox(const QString &text, const QString &caption);

bool OpenFileDialog(QWidget *parent, const QString &filter, int filterIndex, QString &fileName);
bool SaveFileDialog(QWidget *parent, const QString &filter, QString &fileName);
bool ColorDialog(QWidget *parent, QColor &color);
bool PrintSetupDialog(QWidget *parent, QPrinter &printer);
// Our own modal dialogs; result receives the dialog's result code.
bool ExecModal(QDialog *dialog, int &result);

// Builds the real message box a call would show (tests inspect it without exec).
QMessageBox *CreateMessageBox(const QString &text, const QString &caption, TMsgDlgType type,
                              TMsgDlgButtons buttons, QWidget *parent = nullptr);
QString MsgDlgCaption(TMsgDlgType type);

struct TDialogCall {
    QString
        Kind; // "MessageDlg", "MessageBox", "Error", "OpenFile", "SaveFile", "Color", "PrintSetup", "Modal"
    int Type = 0;
    QString Text, Caption;
    int Buttons = 0;
    QString Filter;
    int FilterIndex = 0;
    QString *FileName = nullptr; // answerer may fill it
    QColor *Color = nullptr;     // answerer may change it
    QDialog *Dialog = nullptr;   // answerer may fill in the dialog's fields
};

// While alive, every call above is answered from the script instead of shown.
class TScriptedDialogs {
  public:
    TScriptedDialogs();
    ~TScriptedDialogs();
    TScriptedDialogs(const TScriptedDialogs &) = delete;
    TScriptedDialogs &operator=(const TScriptedDialogs &) = delete;

    // Answers for the next calls, in order.
    void Answer(int result) { FAnswers.push_back(result); }
    // Answers from a callback once the queued answers run out.
    void AnswerWith(std::function<int(const TDialogCall &)> f) { FCallback = std::move(f); }
    const std::vector<TDialogCall> &Calls() const { return FCalls; }
    // Calls that had no scripted answer (each got mrCancel).
    int Unanswered() const { return FUnanswered; }
    void Clear() { FCalls.clear(); }

    int Next(const TDialogCall &call);

  private:
    std::vector<int> FAnswers;
    size_t FNext = 0;
    std::function<int(const TDialogCall &)> FCallback;
    std::vector<TDialogCall> FCalls;
    int FUnanswered = 0;
    TScriptedDialogs *FPrevious = nullptr;
};

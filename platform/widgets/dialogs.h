#pragma once
// The one service every modal question and common dialog goes through, so
// tests can answer them by script and nothing waits on a real modal box.
#include <QColor>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class QWidget;
class QDialog;
class QFileDialog;
class QPrinter;
class QMessageBox;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };
using TMsgDlgButtons = int;
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// A message dialog of the given type; caption "Warning", "Error",
// "Information", "Confirm" (custom: the application title). Returns the
// modal result of the button pressed. Enter presses OK, or Yes when there is
// no OK; Esc and the close box answer Cancel, or No when there is no Cancel,
// or OK when that is the only way out.
int MessageDlg(const QString &msg, TMsgDlgType type, TMsgDlgButtons buttons);
// A plain box without icon.
int MessageBox(const QString &text, const QString &caption, TMsgDlgButtons buttons);
// The application's default error display (one OK button, error icon).
void ShowErrorBox(const QString &text, const QString &caption);

// caption: the dialog's title; empty leaves the toolkit's own.
bool OpenFileDialog(QWidget *parent, const QString &filter, int filterIndex, QString &fileName,
                    const QString &caption = {});
// How OpenFileDialog sets up its dialog: ";;"-separated "description (patterns)"
// filters of which only the descriptions are shown, filterIndex (0-based) selected.
void ConfigureOpenFileDialog(QFileDialog &dialog, const QString &filter, int filterIndex);
bool SaveFileDialog(QWidget *parent, const QString &filter, QString &fileName, const QString &caption = {});
bool ColorDialog(QWidget *parent, QColor &color);
// With 0 < minPage <= maxPage the page range can be chosen only within
// minPage..maxPage (all pages preselected); an accepted range outside it is
// brought inside.
bool PrintSetupDialog(QWidget *parent, QPrinter &printer, int minPage = 0, int maxPage = 0);
// Our own modal dialogs; result receives the dialog's result code.
bool ExecModal(QDialog *dialog, int &result);

// Builds the real message box a call would show (tests inspect it without exec).
QMessageBox *CreateMessageBox(const QString &text, const QString &caption, TMsgDlgType type,
                              TMsgDlgButtons buttons, QWidget *parent = nullptr);
QString MsgDlgCaption(TMsgDlgType type);
// The modal result a finished box answers (its clicked button; Esc and the
// close box click its escape button).
int MessageBoxResult(const QMessageBox *box);

// One dialog request. The pointers reach the caller's variables only while
// the answerer runs; in the recorded copy (TScriptedDialogs::Calls) they are
// null and the values as answered are copied into the Answered fields.
struct TDialogCall {
    QString
        Kind; // "MessageDlg", "MessageBox", "Error", "OpenFile", "SaveFile", "Color", "PrintSetup", "Modal"
    int Type = 0;
    QString Text, Caption;
    int Buttons = 0;
    QString Filter;
    int FilterIndex = 0;
    QString *FileName = nullptr;  // answerer may fill it
    QColor *Color = nullptr;      // answerer may change it
    QPrinter *Printer = nullptr;  // answerer may change its settings
    int MinPage = 0, MaxPage = 0; // the page range the print dialog offers
    // Answerer may fill in the dialog's fields; null once the dialog is gone.
    QPointer<QDialog> Dialog;
    QString DialogName;  // the dialog's objectName, kept after it is freed
    QString DialogClass; // its class name

    // Filled in after the answer:
    int Result = 0;
    QString AnsweredFileName;
    QColor AnsweredColor;
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

    int Next(TDialogCall call);

  private:
    std::vector<int> FAnswers;
    size_t FNext = 0;
    std::function<int(const TDialogCall &)> FCallback;
    std::vector<TDialogCall> FCalls;
    int FUnanswered = 0;
    TScriptedDialogs *FPrevious = nullptr;
};

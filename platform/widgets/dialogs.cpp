#include "platform/widgets/dialogs.h"

#include "platform/widgets/application.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace {
TScriptedDialogs *Script = nullptr;

TDialogCall MakeCall(const char *kind, int type = 0, const QString &text = {}, const QString &caption = {},
                     int buttons = 0) {
    TDialogCall c;
    c.Kind = QString::fromLatin1(kind);
    c.Type = type;
    c.Text = text;
    c.Caption = caption;
    c.Buttons = buttons;
    return c;
}

QWidget *DialogParent() {
    return QApplication::activeWindow();
}

int Dispatch(TDialogCall call, const std::function<int()> &real) {
    if (Script) return Script->Next(call);
    return real();
}

int ExecBox(QMessageBox *box) {
    box->exec();
    auto *clicked = box->clickedButton();
    int result = mrCancel;
    switch (box->standardButton(clicked)) {
    case QMessageBox::Yes:
        result = mrYes;
        break;
    case QMessageBox::No:
        result = mrNo;
        break;
    case QMessageBox::Ok:
        result = mrOk;
        break;
    case QMessageBox::Cancel:
        result = mrCancel;
        break;
    default:
        // Closed with the close box: Cancel if offered, else No.
        result = (box->standardButtons() & QMessageBox::Cancel) || !(box->standardButtons() & QMessageBox::No)
                     ? mrCancel
                     : mrNo;
    }
    delete box;
    return result;
}
} // namespace

QString MsgDlgCaption(TMsgDlgType type) {
    switch (type) {
    case mtWarning:
        return QStringLiteral("Warning");
    case mtError:
        return QStringLiteral("Error");
    case mtInformation:
        return QStringLiteral("Information");
    case mtConfirmation:
        return QStringLiteral("Confirm");
    case mtCustom:
        break;
    }
    return Application().Title();
}

QMessageBox *CreateMessageBox(const QString &text, const QString &caption, TMsgDlgType type,
                              TMsgDlgButtons buttons, QWidget *parent) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (type) {
    case mtWarning:
        icon = QMessageBox::Warning;
        break;
    case mtError:
        icon = QMessageBox::Critical;
        break;
    case mtInformation:
        icon = QMessageBox::Information;
        break;
    case mtConfirmation:
        icon = QMessageBox::Question;
        break;
    case mtCustom:
        break;
    }
    auto *box = new QMessageBox(icon, caption, text, QMessageBox::NoButton, parent);
    if (buttons & mbYes) box->addButton(QMessageBox::Yes)->setText(QStringLiteral("&Yes"));
    if (buttons & mbNo) box->addButton(QMessageBox::No)->setText(QStringLiteral("&No"));
    if (buttons & mbOK) box->addButton(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    if (buttons & mbCancel) box->addButton(QMessageBox::Cancel)->setText(QStringLiteral("Cancel"));
    if (buttons == 0) box->addButton(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    return box;
}

int MessageDlg(const QString &msg, TMsgDlgType type, TMsgDlgButtons buttons) {
    TDialogCall c = MakeCall("MessageDlg", type, msg, MsgDlgCaption(type), buttons);
    return Dispatch(c,
                    [&] { return ExecBox(CreateMessageBox(msg, c.Caption, type, buttons, DialogParent())); });
}

int MessageBox(const QString &text, const QString &caption, TMsgDlgButtons buttons) {
    TDialogCall c = MakeCall("MessageBox", mtCustom, text, caption, buttons);
    return Dispatch(
        c, [&] { return ExecBox(CreateMessageBox(text, caption, mtCustom, buttons, DialogParent())); });
}

void ShowErrorBox(const QString &text, const QString &caption) {
    TDialogCall c = MakeCall("Error", mtError, text, caption, mbOK);
    Dispatch(c, [&] { return ExecBox(CreateMessageBox(text, caption, mtError, mbOK, DialogParent())); });
}

bool OpenFileDialog(QWidget *parent, const QString &filter, int filterIndex, QString &fileName) {
    TDialogCall c = MakeCall("OpenFile");
    c.Filter = filter;
    c.FilterIndex = filterIndex;
    c.FileName = &fileName;
    return Dispatch(c, [&] {
               QFileDialog dlg(parent);
               dlg.setFileMode(QFileDialog::ExistingFile);
               dlg.setAcceptMode(QFileDialog::AcceptOpen);
               const QStringList filters = filter.split(QStringLiteral(";;"));
               dlg.setNameFilters(filters);
               if (filterIndex >= 0 && filterIndex < filters.size())
                   dlg.selectNameFilter(filters[filterIndex]);
               if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return int(mrCancel);
               fileName = dlg.selectedFiles().first();
               return int(mrOk);
           }) == mrOk;
}

bool SaveFileDialog(QWidget *parent, const QString &filter, QString &fileName) {
    TDialogCall c = MakeCall("SaveFile");
    c.Filter = filter;
    c.FileName = &fileName;
    return Dispatch(c, [&] {
               QString f = QFileDialog::getSaveFileName(parent, QString(), fileName, filter);
               if (f.isEmpty()) return int(mrCancel);
               fileName = f;
               return int(mrOk);
           }) == mrOk;
}

bool ColorDialog(QWidget *parent, QColor &color) {
    TDialogCall c = MakeCall("Color");
    c.Color = &color;
    return Dispatch(c, [&] {
               QColor chosen = QColorDialog::getColor(color, parent);
               if (!chosen.isValid()) return int(mrCancel);
               color = chosen;
               return int(mrOk);
           }) == mrOk;
}

bool PrintSetupDialog(QWidget *parent, QPrinter &printer) {
    TDialogCall c = MakeCall("PrintSetup");
    return Dispatch(c, [&] {
               QPrintDialog dlg(&printer, parent);
               return dlg.exec() == QDialog::Accepted ? int(mrOk) : int(mrCancel);
           }) == mrOk;
}

bool ExecModal(QDialog *dialog, int &result) {
    TDialogCall c = MakeCall("Modal", 0, {}, dialog->windowTitle());
    c.Dialog = dialog;
    result = Dispatch(c, [&] { return dialog->exec(); });
    return result != QDialog::Rejected && result != mrCancel;
}

TScriptedDialogs::TScriptedDialogs() : FPrevious(Script) {
    Script = this;
}

TScriptedDialogs::~TScriptedDialogs() {
    Script = FPrevious;
}

int TScriptedDialogs::Next(const TDialogCall &call) {
    FCalls.push_back(call);
    if (FNext < FAnswers.size()) return FAnswers[FNext++];
    if (FCallback) return FCallback(call);
    ++FUnanswered;
    return mrCancel;
}

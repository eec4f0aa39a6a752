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
#include <algorithm>

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
    int result = MessageBoxResult(box);
    delete box;
    return result;
}
} // namespace

int MessageBoxResult(const QMessageBox *box) {
    switch (box->standardButton(box->clickedButton())) {
    case QMessageBox::Yes:
        return mrYes;
    case QMessageBox::No:
        return mrNo;
    case QMessageBox::Ok:
        return mrOk;
    case QMessageBox::Cancel:
        return mrCancel;
    default:
        // Not reached while an escape button is set; answer as Esc would.
        return (box->standardButtons() & QMessageBox::Cancel) || !(box->standardButtons() & QMessageBox::No)
                   ? mrCancel
                   : mrNo;
    }
}

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
    const auto has = [box](QMessageBox::StandardButton b) { return box->button(b) != nullptr; };
    if (has(QMessageBox::Ok))
        box->setDefaultButton(QMessageBox::Ok);
    else if (has(QMessageBox::Yes))
        box->setDefaultButton(QMessageBox::Yes);
    // The escape button also answers the close box.
    if (has(QMessageBox::Cancel))
        box->setEscapeButton(QMessageBox::Cancel);
    else if (has(QMessageBox::No))
        box->setEscapeButton(QMessageBox::No);
    else
        box->setEscapeButton(QMessageBox::Ok);
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

void ConfigureOpenFileDialog(QFileDialog &dlg, const QString &filter, int filterIndex) {
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    // Only the descriptions are shown, as they were written: the patterns
    // in their last parentheses do the matching.
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = filter.split(QStringLiteral(";;"));
    dlg.setNameFilters(filters);
    if (filterIndex >= 0 && filterIndex < filters.size()) dlg.selectNameFilter(filters[filterIndex]);
}

bool OpenFileDialog(QWidget *parent, const QString &filter, int filterIndex, QString &fileName,
                    const QString &caption) {
    TDialogCall c = MakeCall("OpenFile", 0, {}, caption);
    c.Filter = filter;
    c.FilterIndex = filterIndex;
    c.FileName = &fileName;
    return Dispatch(c, [&] {
               QFileDialog dlg(parent);
               ConfigureOpenFileDialog(dlg, filter, filterIndex);
               if (!caption.isEmpty()) dlg.setWindowTitle(caption);
               if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return int(mrCancel);
               fileName = dlg.selectedFiles().first();
               return int(mrOk);
           }) == mrOk;
}

bool SaveFileDialog(QWidget *parent, const QString &filter, QString &fileName, const QString &caption) {
    TDialogCall c = MakeCall("SaveFile", 0, {}, caption);
    c.Filter = filter;
    c.FileName = &fileName;
    return Dispatch(c, [&] {
               QString f = QFileDialog::getSaveFileName(parent, caption, fileName, filter);
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

bool PrintSetupDialog(QWidget *parent, QPrinter &printer, int minPage, int maxPage) {
    const bool limited = minPage > 0 && maxPage >= minPage;
    TDialogCall c = MakeCall("PrintSetup");
    c.Printer = &printer;
    if (limited) {
        c.MinPage = minPage;
        c.MaxPage = maxPage;
    }
    const bool ok = Dispatch(c, [&] {
                        QPrintDialog dlg(&printer, parent);
                        if (limited) {
                            dlg.setOption(QAbstractPrintDialog::PrintPageRange);
                            dlg.setMinMax(minPage, maxPage);
                        }
                        return dlg.exec() == QDialog::Accepted ? int(mrOk) : int(mrCancel);
                    }) == mrOk;
    // A range past the last page would print nothing or fail silently.
    if (ok && limited && printer.printRange() == QPrinter::PageRange) {
        const int from = std::clamp(printer.fromPage(), minPage, maxPage);
        const int to = printer.toPage() > 0 ? std::clamp(printer.toPage(), from, maxPage) : maxPage;
        printer.setFromTo(from, to);
    }
    return ok;
}

bool ExecModal(QDialog *dialog, int &result) {
    TDialogCall c = MakeCall("Modal", 0, {}, dialog->windowTitle());
    c.Dialog = dialog;
    c.DialogName = dialog->objectName();
    c.DialogClass = QString::fromLatin1(dialog->metaObject()->className());
    result = Dispatch(c, [&] { return dialog->exec(); });
    return result != QDialog::Rejected && result != mrCancel;
}

TScriptedDialogs::TScriptedDialogs() : FPrevious(Script) {
    Script = this;
}

TScriptedDialogs::~TScriptedDialogs() {
    Script = FPrevious;
}

int TScriptedDialogs::Next(TDialogCall call) {
    // Recorded first, so dialogs the answer itself raises come after this one.
    const size_t index = FCalls.size();
    FCalls.push_back(call);
    FCalls[index].FileName = nullptr;
    FCalls[index].Color = nullptr;
    FCalls[index].Printer = nullptr;
    int result = mrCancel;
    if (FNext < FAnswers.size())
        result = FAnswers[FNext++];
    else if (FCallback)
        result = FCallback(call);
    else
        ++FUnanswered;
    TDialogCall &recorded = FCalls[index];
    recorded.Result = result;
    if (call.FileName) recorded.AnsweredFileName = *call.FileName;
    if (call.Color) recorded.AnsweredColor = *call.Color;
    return result;
}

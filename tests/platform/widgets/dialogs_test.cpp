#include "platform/widgets/dialogs.h"

#include <QAbstractButton>
#include <QDialog>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

TEST(MessageDlg, CaptionsIconsAndButtonsOfTheRealBox) {
    struct Case {
        TMsgDlgType type;
        TMsgDlgButtons buttons;
        const char *caption;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons expected;
    } cases[] = {
        {mtWarning, mbYes | mbNo, "Warning", QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No},
        {mtError, mbOK, "Error", QMessageBox::Critical, QMessageBox::Ok},
        {mtInformation, mbOK, "Information", QMessageBox::Information, QMessageBox::Ok},
        {mtConfirmation, mbOK | mbCancel, "Confirm", QMessageBox::Question,
         QMessageBox::Ok | QMessageBox::Cancel},
    };
    for (const auto &c : cases) {
        std::unique_ptr<QMessageBox> box(CreateMessageBox("x", MsgDlgCaption(c.type), c.type, c.buttons));
        EXPECT_EQ(box->windowTitle(), c.caption);
        EXPECT_EQ(box->icon(), c.icon) << c.caption;
        EXPECT_EQ(box->standardButtons(), c.expected) << c.caption;
    }
    std::unique_ptr<QMessageBox> plain(CreateMessageBox(
        QString::fromUtf8("Değişiklikleri kaydetmek istiyor musunuz?"), "Dikkat !", mtCustom, mbYes | mbNo));
    EXPECT_EQ(plain->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(plain->windowTitle(), "Dikkat !");
}

TEST(ScriptedDialogs, AnswersInOrderRecordsCallsAndCountsUnanswered) {
    TScriptedDialogs dialogs;
    dialogs.Answer(mrYes);
    EXPECT_EQ(MessageDlg("Sil?", mtConfirmation, mbYes | mbNo), mrYes);
    EXPECT_EQ(MessageBox("Kaydet?", "Dikkat !", mbYes | mbNo), mrCancel);
    EXPECT_EQ(dialogs.Unanswered(), 1);
    ASSERT_EQ(dialogs.Calls().size(), 2u);
    EXPECT_EQ(dialogs.Calls()[0].Caption, "Confirm");
    EXPECT_EQ(dialogs.Calls()[1].Kind, "MessageBox");
    EXPECT_EQ(dialogs.Calls()[1].Caption, "Dikkat !");
}

TEST(ScriptedDialogs, CommonDialogsAndOwnDialogsAreAnsweredByCallback) {
    TScriptedDialogs dialogs;
    dialogs.AnswerWith([](const TDialogCall &c) {
        if (c.FileName) *c.FileName = "/tmp/a.jpg";
        if (c.Color) *c.Color = Qt::red;
        return int(mrOk);
    });
    QString name;
    EXPECT_TRUE(OpenFileDialog(nullptr, "JPEG (*.jpg);;Hepsi (*)", 0, name));
    EXPECT_EQ(name, "/tmp/a.jpg");
    QColor color = Qt::white;
    EXPECT_TRUE(ColorDialog(nullptr, color));
    EXPECT_EQ(color, QColor(Qt::red));
    QDialog d;
    d.setWindowTitle("Şifre");
    int result = 0;
    EXPECT_TRUE(ExecModal(&d, result));
    EXPECT_EQ(dialogs.Calls().back().Dialog, &d);
    EXPECT_EQ(dialogs.Calls()[0].Filter, "JPEG (*.jpg);;Hepsi (*)");
}

TEST(ScriptedDialogs, RecordedCallsKeepCopiesNotPointersIntoTheCallersFrame) {
    TScriptedDialogs dialogs;
    dialogs.AnswerWith([](const TDialogCall &c) {
        if (c.FileName) *c.FileName = "/tmp/b.jpg";
        if (c.Color) *c.Color = Qt::blue;
        return c.Kind == "OpenFile" ? int(mrOk) : int(mrCancel);
    });
    {
        QString name = "eski.jpg";
        QColor color = Qt::white;
        EXPECT_TRUE(OpenFileDialog(nullptr, "JPEG (*.jpg)", 0, name));
        EXPECT_FALSE(ColorDialog(nullptr, color));
    }
    {
        auto *d = new QDialog;
        d->setObjectName("GetPassWdFrm");
        int result = 0;
        EXPECT_FALSE(ExecModal(d, result));
        delete d;
    }
    // The callers' variables and the dialog are gone; what the test looks at is not.
    const auto &calls = dialogs.Calls();
    ASSERT_EQ(calls.size(), 3u);
    struct Case {
        const char *kind;
        int result;
        const char *file;
    } cases[] = {{"OpenFile", mrOk, "/tmp/b.jpg"}, {"Color", mrCancel, ""}, {"Modal", mrCancel, ""}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(calls[i].Kind, cases[i].kind);
        EXPECT_EQ(calls[i].Result, cases[i].result) << cases[i].kind;
        EXPECT_EQ(calls[i].AnsweredFileName, cases[i].file) << cases[i].kind;
        EXPECT_EQ(calls[i].FileName, nullptr);
        EXPECT_EQ(calls[i].Color, nullptr);
    }
    EXPECT_EQ(calls[1].AnsweredColor, QColor(Qt::blue));
    EXPECT_TRUE(calls[2].Dialog.isNull());
    EXPECT_EQ(calls[2].DialogName, "GetPassWdFrm");
    EXPECT_EQ(calls[2].DialogClass, "QDialog");
}

TEST(MessageDlg, EnterPressesOkOrYesAndEscOrTheCloseBoxCancelsOrSaysNo) {
    struct Case {
        TMsgDlgButtons buttons;
        QMessageBox::StandardButton defaultButton;
        int enter, escape, closeBox;
    } cases[] = {
        {mbOK, QMessageBox::Ok, mrOk, mrOk, mrOk},
        {mbYes | mbNo, QMessageBox::Yes, mrYes, mrNo, mrNo},
        {mbOK | mbCancel, QMessageBox::Ok, mrOk, mrCancel, mrCancel},
        {mbYes | mbNo | mbCancel, QMessageBox::Yes, mrYes, mrCancel, mrCancel},
    };
    for (const auto &c : cases) {
        const auto make = [&] {
            auto box =
                std::unique_ptr<QMessageBox>(CreateMessageBox("?", "Confirm", mtConfirmation, c.buttons));
            box->show();
            return box;
        };
        auto enterBox = make();
        EXPECT_EQ(enterBox->defaultButton(), enterBox->button(c.defaultButton)) << c.buttons;
        QTest::keyClick(enterBox.get(), Qt::Key_Return);
        EXPECT_EQ(MessageBoxResult(enterBox.get()), c.enter) << c.buttons;
        auto escBox = make();
        QTest::keyClick(escBox.get(), Qt::Key_Escape);
        EXPECT_EQ(MessageBoxResult(escBox.get()), c.escape) << c.buttons;
        auto closeBox = make();
        closeBox->close();
        EXPECT_FALSE(closeBox->isVisible()) << c.buttons;
        EXPECT_EQ(MessageBoxResult(closeBox.get()), c.closeBox) << c.buttons;
    }
}

TEST(ScriptedDialogs, NestedScriptsRestoreTheOuterOne) {
    TScriptedDialogs outer;
    {
        TScriptedDialogs inner;
        inner.Answer(mrNo);
        EXPECT_EQ(MessageDlg("a", mtWarning, mbYes | mbNo), mrNo);
    }
    outer.Answer(mrYes);
    EXPECT_EQ(MessageDlg("b", mtWarning, mbYes | mbNo), mrYes);
    EXPECT_EQ(outer.Calls().size(), 1u);
}

} // namespace

namespace {

TEST(ScriptedDialogs, FileDialogCaptionsAreRecorded) {
    TScriptedDialogs dialogs;
    dialogs.AnswerWith([](const TDialogCall &) { return int(mrCancel); });
    QString name;
    OpenFileDialog(nullptr, "PDF (*.pdf)", 0, name);
    OpenFileDialog(nullptr, "PDF (*.pdf)", 0, name, "Load report");
    SaveFileDialog(nullptr, "PDF (*.pdf)", name);
    SaveFileDialog(nullptr, "PDF (*.pdf)", name, "Save report");
    struct Case {
        const char *kind, *caption;
    } cases[] = {
        {"OpenFile", ""}, {"OpenFile", "Load report"}, {"SaveFile", ""}, {"SaveFile", "Save report"}};
    ASSERT_EQ(dialogs.Calls().size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(dialogs.Calls()[i].Kind, cases[i].kind) << i;
        EXPECT_EQ(dialogs.Calls()[i].Caption, cases[i].caption) << i;
    }
}

TEST(ScriptedDialogs, PrintSetupLendsThePrinterOnlyDuringTheCall) {
    // What the answerer chooses, and the range the printer ends with when
    // the dialog offers pages 2..5.
    struct Case {
        int result;
        QPrinter::PrintRange range;
        int from, to;
        int wantFrom, wantTo;
    } cases[] = {
        {mrOk, QPrinter::PageRange, 3, 4, 3, 4},    {mrOk, QPrinter::PageRange, 1, 9, 2, 5},
        {mrOk, QPrinter::PageRange, 7, 8, 5, 5},    {mrOk, QPrinter::AllPages, 0, 0, 0, 0},
        {mrCancel, QPrinter::AllPages, 0, 0, 0, 0},
    };
    for (const auto &c : cases) {
        TScriptedDialogs dialogs;
        int seenMin = -1, seenMax = -1;
        dialogs.AnswerWith([&](const TDialogCall &call) {
            seenMin = call.MinPage;
            seenMax = call.MaxPage;
            if (!call.Printer) return int(mrCancel);
            call.Printer->setCopyCount(2);
            call.Printer->setPrintRange(c.range);
            if (c.from) call.Printer->setFromTo(c.from, c.to);
            return c.result;
        });
        QPrinter printer;
        const bool ok = PrintSetupDialog(nullptr, printer, 2, 5);
        EXPECT_EQ(ok, c.result == mrOk);
        EXPECT_EQ(seenMin, 2);
        EXPECT_EQ(seenMax, 5);
        EXPECT_EQ(printer.copyCount(), 2);
        EXPECT_EQ(printer.printRange(), c.range);
        EXPECT_EQ(printer.fromPage(), c.wantFrom) << c.from << ".." << c.to;
        EXPECT_EQ(printer.toPage(), c.wantTo) << c.from << ".." << c.to;
        ASSERT_EQ(dialogs.Calls().size(), 1u);
        EXPECT_EQ(dialogs.Calls()[0].Printer, nullptr);
        EXPECT_EQ(dialogs.Calls()[0].MaxPage, 5);
    }
    // Without a range the dialog offers none.
    TScriptedDialogs dialogs;
    QPrinter printer;
    PrintSetupDialog(nullptr, printer);
    EXPECT_EQ(dialogs.Calls().at(0).MinPage, 0);
    EXPECT_EQ(dialogs.Calls().at(0).MaxPage, 0);
}

} // namespace

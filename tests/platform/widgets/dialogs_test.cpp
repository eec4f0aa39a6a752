#include "platform/widgets/dialogs.h"

#include <QAbstractButton>
#include <QDialog>
#include <QMessageBox>
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

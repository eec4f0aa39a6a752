// The enter-password and change-password dialogs: their designed look, and
// what each entry leads to.
#include "securitytestutil.h"

#include <QApplication>
#include <QLabel>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>

namespace {

void Type(QWidget *w, const QString &text) {
    // One key event per character: QTest's own typing aborts on non-ASCII.
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

// The controls Tab visits, in order, starting from first.
std::string TabOrder(QWidget *first) {
    QStringList names{first->objectName()};
    for (QWidget *w = first->nextInFocusChain(); w != first; w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus) names << w->objectName();
    return names.join(",").toStdString();
}

TEST(GetPassWdFrm, HasItsDesignedLayout) {
    TGetPassWdFrm d;
    EXPECT_EQ(d.objectName(), "GetPassWdFrm");
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("Şifre Gir"));
    EXPECT_EQ(d.size(), QSize(259, 104));
    struct Case {
        QWidget *w;
        const char *name;
        QRect geometry;
    } cases[] = {
        {d.Bevel1, "Bevel1", {7, 8, 244, 57}},     {d.Image1, "Image1", {10, 18, 32, 32}},
        {d.Edit1, "Edit1", {56, 32, 185, 21}},     {d.BitBtn1, "BitBtn1", {80, 72, 81, 27}},
        {d.BitBtn2, "BitBtn2", {168, 72, 81, 27}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.w->objectName(), c.name);
        EXPECT_EQ(c.w->geometry(), c.geometry) << c.name;
    }
    EXPECT_EQ(d.Label1->text(), QString::fromUtf8("Şifrenizi girin"));
    EXPECT_EQ(d.Label1->pos(), QPoint(56, 14));
    EXPECT_EQ(d.BitBtn1->text(), "Tamam");
    EXPECT_EQ(d.BitBtn2->text(), QString::fromUtf8("İptal"));
    EXPECT_TRUE(d.BitBtn1->isDefault());
    EXPECT_EQ(d.Edit1->echoMode(), QLineEdit::Password);
    EXPECT_EQ(d.Edit1->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, d.Edit1), '*');
    EXPECT_FALSE(d.Image1->pixmap().isNull());
    EXPECT_EQ(TabOrder(d.Edit1), "Edit1,BitBtn1,BitBtn2");
    // No length limit: 40 typed characters all arrive.
    Type(d.Edit1, QString(40, 'x'));
    EXPECT_EQ(d.Edit1->text().size(), 40);
}

TEST(GetPassWdFrm, ClosesWithOkOnlyForTheExactPassword) {
    struct Case {
        const char *password;
        QStringList attempts;
        bool granted;
        int refusals; // "Geçersiz şifre." shown
    } cases[] = {
        {"", {""}, true, 0},
        {"", {"x"}, false, 1},
        {"Gizli", {"gizli", "Gizli ", " Gizli", "Gizli"}, true, 3},
        {"ılık", {"ILIK", "Ilık", "ılık"}, true, 2},
        {"abcdefghijklmnopqrst", {"abcdefghijklmnopqrst"}, true, 0},
        {"a", {}, false, 0},
    };
    for (const auto &c : cases) {
        TScriptedDialogs dialogs;
        TPasswordUser user;
        user.Attempts = {c.attempts};
        user.Install(dialogs);
        TGetPassWdFrm d;
        EXPECT_EQ(d.Execute(QString::fromUtf8(c.password)), c.granted) << c.password;
        EXPECT_EQ(user.Messages.size(), c.refusals) << c.password;
        for (const QString &m : user.Messages)
            EXPECT_EQ(m, QString::fromUtf8("Geçersiz şifre."));
        for (const auto &call : dialogs.Calls()) {
            if (call.Kind == "MessageDlg") {
                EXPECT_EQ(call.Type, mtError);
            }
        }
    }
}

TEST(GetPassWdFrm, WrongEntryKeepsTheTextAndTheFocusInTheBox) {
    TScriptedDialogs dialogs;
    dialogs.AnswerWith([](const TDialogCall &c) {
        if (c.Kind != "Modal") return int(mrOk);
        auto *d = qobject_cast<TGetPassWdFrm *>(c.Dialog.data());
        d->show();
        EXPECT_EQ(d->focusWidget(), d->Edit1);
        d->BitBtn1->setFocus();
        d->Edit1->setText("yanlis");
        d->BitBtn1->click();
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(d->Edit1->text(), "yanlis");
        EXPECT_EQ(d->focusWidget(), d->Edit1);
        // Enter in the box presses "Tamam".
        d->Edit1->setText("dogru");
        QTest::keyClick(d->Edit1, Qt::Key_Return);
        EXPECT_FALSE(d->isVisible());
        return d->result();
    });
    TGetPassWdFrm d;
    EXPECT_TRUE(d.Execute("dogru"));
    EXPECT_EQ(dialogs.Calls().size(), 2u);
}

TEST(PasswordDialogs, EscTheCloseBoxAndIptalAllCancel) {
    enum How { Esc, CloseBox, Iptal };
    for (How how : {Esc, CloseBox, Iptal}) {
        TScriptedDialogs dialogs;
        dialogs.AnswerWith([how](const TDialogCall &c) {
            auto *d = c.Dialog.data();
            d->show();
            QPushButton *cancel = d->findChild<QPushButton *>("BitBtn2");
            if (how == Esc)
                QTest::keyClick(d->focusWidget(), Qt::Key_Escape);
            else if (how == CloseBox)
                d->close();
            else
                cancel->click();
            EXPECT_FALSE(d->isVisible());
            return d->result();
        });
        TGetPassWdFrm get;
        EXPECT_FALSE(get.Execute("")) << how;
        TPassWdFrm change;
        EXPECT_FALSE(change.Execute("")) << how;
        EXPECT_EQ(dialogs.Calls().size(), 2u) << how; // no message on the way out
    }
}

TEST(PassWdFrm, HasItsDesignedLayout) {
    TPassWdFrm d;
    EXPECT_EQ(d.objectName(), "PassWdFrm");
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("Şifre Değiştir"));
    EXPECT_EQ(d.size(), QSize(268, 119));
    EXPECT_EQ(d.pos(), QPoint(212, 140));
    struct Case {
        QWidget *w;
        const char *name;
        QRect geometry;
    } cases[] = {
        {d.Bevel1, "Bevel1", {8, 8, 249, 73}},
        {d.EdtEskiSifre, "EdtEskiSifre", {72, 16, 169, 21}},
        {d.EdtYeniSifre, "EdtYeniSifre", {72, 48, 169, 21}},
        {d.BitBtn1, "BitBtn1", {104, 88, 72, 27}},
        {d.BitBtn2, "BitBtn2", {184, 88, 72, 27}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.w->objectName(), c.name);
        EXPECT_EQ(c.w->geometry(), c.geometry) << c.name;
    }
    EXPECT_EQ(d.Label1->text(), QString::fromUtf8("Eski Şifre:"));
    EXPECT_EQ(d.Label1->pos(), QPoint(16, 24));
    EXPECT_EQ(d.Label2->text(), QString::fromUtf8("Yeni Şifre:"));
    EXPECT_EQ(d.Label2->pos(), QPoint(16, 56));
    EXPECT_TRUE(d.BitBtn1->isDefault());
    // Tab order: Tamam, İptal, old, new.
    EXPECT_EQ(TabOrder(d.BitBtn1), "BitBtn1,BitBtn2,EdtEskiSifre,EdtYeniSifre");
    // Both boxes stop at 15 characters.
    for (QLineEdit *e : {d.EdtEskiSifre, d.EdtYeniSifre}) {
        EXPECT_EQ(e->echoMode(), QLineEdit::Password);
        Type(e, QString::fromUtf8("ŞifreŞifreŞifreŞifre"));
        EXPECT_EQ(e->text(), QString::fromUtf8("ŞifreŞifreŞifre")) << e->objectName().toStdString();
    }
}

TEST(PassWdFrm, ChecksInTheDesignedOrder) {
    const QString wrongOld = QString::fromUtf8("Geçersiz şifre.");
    const QString blank = QString::fromUtf8("Şifre olarak boşluk giremezsiniz");
    struct Case {
        const char *current, *oldTyped, *newTyped;
        bool accepted;
        const char *message; // the one message shown, or ""
        const char *focus;   // box with the focus after the message
    } cases[] = {
        {"", "", "", true, "", ""}, // no password yet: anything goes, even empty
        {"", "", "yeni", true, "", ""},
        {"abc", "abc", "", false, "Şifre olarak boşluk giremezsiniz", "EdtYeniSifre"},
        {"abc", "xyz", "", false, "Geçersiz şifre.", "EdtEskiSifre"}, // old tested first
        {"abc", "ABC", "yeni", false, "Geçersiz şifre.", "EdtEskiSifre"},
        {"abc", "abc", "   ", true, "", ""},
        {"abc", "abc", "abc", true, "", ""},
        {"abc", "abc", "ŞğİıÖç€", true, "", ""},
        {"abc", "abc", "日本", false, "Şifrede kullanılamayan bir karakter var: \"日\"", "EdtYeniSifre"},
        {"", "", "a😀", false, "Şifrede kullanılamayan bir karakter var: \"😀\"", "EdtYeniSifre"},
    };
    TPassWdFrm d; // one instance, reused as at run time
    for (const auto &c : cases) {
        TScriptedDialogs dialogs;
        QStringList messages;
        QString focus;
        dialogs.AnswerWith([&](const TDialogCall &call) {
            if (call.Kind != "Modal") {
                messages << call.Text;
                return int(mrOk);
            }
            // Each use starts with both boxes empty.
            EXPECT_EQ(d.EdtEskiSifre->text(), "");
            EXPECT_EQ(d.EdtYeniSifre->text(), "");
            EXPECT_EQ(d.EdtEskiSifre->isEnabled(), *c.current != 0);
            d.EdtEskiSifre->setText(QString::fromUtf8(c.oldTyped));
            d.EdtYeniSifre->setText(QString::fromUtf8(c.newTyped));
            d.BitBtn1->click();
            focus = d.focusWidget() ? d.focusWidget()->objectName() : QString();
            return d.result();
        });
        EXPECT_EQ(d.Execute(QString::fromUtf8(c.current)), c.accepted) << c.newTyped;
        if (*c.message) {
            ASSERT_EQ(messages.size(), 1) << c.newTyped;
            EXPECT_TRUE(messages[0].startsWith(QString::fromUtf8(c.message))) << messages[0].toStdString();
            EXPECT_EQ(focus, c.focus) << c.newTyped;
        } else {
            EXPECT_TRUE(messages.isEmpty()) << c.newTyped;
            EXPECT_EQ(d.NewPassword(), QString::fromUtf8(c.newTyped));
        }
        // Leave a typed value behind for the next Execute to clear.
        d.EdtEskiSifre->setText("kalan");
        d.EdtYeniSifre->setText("kalan");
    }
}

TEST(PassWdFrm, FocusStartsInTheOldBoxOnlyWhenThereIsAPassword) {
    for (const char *current : {"", "abc"}) {
        TScriptedDialogs dialogs;
        QString focus;
        dialogs.AnswerWith([&](const TDialogCall &c) {
            c.Dialog->show();
            focus = c.Dialog->focusWidget()->objectName();
            c.Dialog->hide();
            return int(QDialog::Rejected);
        });
        TPassWdFrm d;
        d.Execute(current);
        EXPECT_EQ(focus, *current ? "EdtEskiSifre" : "EdtYeniSifre") << current;
    }
}

// Pictures of both dialogs for a person to look at; written only when asked.
TEST(PasswordDialogs, GrabToPng) {
    const QString dir = qEnvironmentVariable("KADROLIN_GRAB_DIR");
    TGetPassWdFrm get;
    TPassWdFrm change;
    change.EdtEskiSifre->setText("abc");
    get.Edit1->setText("gizli");
    for (QDialog *d : std::initializer_list<QDialog *>{&get, &change}) {
        d->show();
        QImage image = d->grab().toImage();
        EXPECT_EQ(image.size(), d->size());
        if (!dir.isEmpty()) image.save(dir + "/" + d->objectName() + ".png");
        d->hide();
    }
}

} // namespace

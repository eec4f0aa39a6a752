#include "platform/widgets/application.h"
#include "platform/widgets/dialogs.h"

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(Guard, ShowsOneErrorBoxWithTheTextAndGoesOn) {
    TScriptedDialogs dialogs;
    Application().SetTitle("Kadrolin");
    bool after = false;
    bool ok = Application().Guard([&] {
        throw std::runtime_error("Tablo açılamadı");
        after = true;
    });
    EXPECT_FALSE(ok);
    EXPECT_FALSE(after);
    ASSERT_EQ(dialogs.Calls().size(), 1u);
    EXPECT_EQ(dialogs.Calls()[0].Kind, "Error");
    EXPECT_EQ(dialogs.Calls()[0].Text, QString::fromUtf8("Tablo açılamadı"));
    EXPECT_EQ(dialogs.Calls()[0].Caption, "Kadrolin");
    EXPECT_EQ(dialogs.Calls()[0].Buttons, mbOK);
    EXPECT_TRUE(Application().Guard([] {}));
    EXPECT_EQ(dialogs.Calls().size(), 1u);
}

TEST(Guard, HandlerFromARealSignalDoesNotLetTheExceptionEscape) {
    TScriptedDialogs dialogs;
    QPushButton b;
    QObject::connect(&b, &QPushButton::clicked, [] { Application().Guard([] { throw 42; }); });
    b.click();
    ASSERT_EQ(dialogs.Calls().size(), 1u);
    EXPECT_EQ(dialogs.Calls()[0].Text, "Unknown error");
}

TEST(IdleHook, FiresWhenTheQueueDrainsAndNotContinuously) {
    int calls = 0;
    QObject owner;
    Application().AddIdleHandler(&owner, [&] { ++calls; });
    QEventLoop loop;
    QTimer::singleShot(0, [&] {}); // something pending first
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_GE(calls, 1);
    // 200 ms with nothing to do must not wake the loop hundreds of times.
    EXPECT_LT(calls, 20);
    int before = calls;
    QTimer::singleShot(0, [] {});
    QEventLoop loop2;
    QTimer::singleShot(50, &loop2, &QEventLoop::quit);
    loop2.exec();
    EXPECT_GT(calls, before);
}

TEST(IdleHook, HandlerGoesAwayWithItsOwnerAndFailuresAreShown) {
    TScriptedDialogs dialogs;
    int calls = 0;
    {
        QObject owner;
        Application().AddIdleHandler(&owner, [&] { ++calls; });
        Application().ProcessIdle();
    }
    Application().ProcessIdle();
    EXPECT_EQ(calls, 1);
    QObject owner;
    Application().AddIdleHandler(&owner, [] { throw std::runtime_error("idle"); });
    Application().ProcessIdle();
    ASSERT_EQ(dialogs.Calls().size(), 1u);
    EXPECT_EQ(dialogs.Calls()[0].Text, "idle");
}

TEST(Hints, ShortAndLongParts) {
    struct Case {
        const char *hint, *shortPart, *longPart;
    } cases[] = {
        {"Ekle|Yeni kayıt ekler", "Ekle", "Yeni kayıt ekler"},
        {"Yenile", "Yenile", "Yenile"},
        {"", "", ""},
        {"a|b|c", "a", "b|c"},
        {"|uzun", "", "uzun"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(TApplication::GetShortHint(QString::fromUtf8(c.hint)), QString::fromUtf8(c.shortPart))
            << c.hint;
        EXPECT_EQ(TApplication::GetLongHint(QString::fromUtf8(c.hint)), QString::fromUtf8(c.longPart))
            << c.hint;
    }
}

TEST(Hints, MouseOverAWidgetAndAMenuItemReachTheHintHandler) {
    QStringList seen;
    Application().OnHint = [&] { seen << Application().Hint(); };
    QWidget parent;
    auto *withHint = new QPushButton(&parent);
    auto *without = new QPushButton(&parent);
    TApplication::SetWidgetHint(withHint, "Yenile|Listeyi yeniler", true);
    EXPECT_EQ(withHint->toolTip(), "Yenile");
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(withHint, &enter);
    QApplication::sendEvent(without, &enter);
    QAction action("Sil");
    Application().WatchActionHint(&action, "Sil|Kaydı siler");
    action.hover();
    Application().OnHint = nullptr;
    EXPECT_EQ(seen, (QStringList{"Listeyi yeniler", "", QString::fromUtf8("Kaydı siler")}));
}

} // namespace

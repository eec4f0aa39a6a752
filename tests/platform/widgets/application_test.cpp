#include "platform/widgets/application.h"
#include "platform/widgets/dialogs.h"

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
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

void Enter(QWidget *w) {
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(w, &enter);
}

void Leave(QWidget *w) {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w, &leave);
}

// Records every hint the handler is told about, and lets it go at the end.
struct THintLog {
    QStringList Seen;
    THintLog() {
        Application().SetHint(QString());
        Application().OnHint = [this] { Seen << Application().Hint(); };
    }
    ~THintLog() {
        Application().OnHint = nullptr;
        Application().SetHint(QString());
    }
};

TEST(Hints, WidgetsShowTheLongPartWhileTheMouseIsOverThemAndTheShortPartAsTooltip) {
    QMainWindow window;
    auto *panel = new QWidget(&window);
    window.setCentralWidget(panel);
    auto *withHint = new QPushButton(panel);
    auto *without = new QPushButton(panel);
    auto *noTip = new QPushButton(panel);
    auto *emptyHint = new QPushButton(panel);
    auto *noLongPart = new QPushButton(panel);
    TApplication::SetWidgetHint(emptyHint, "", true);
    TApplication::SetWidgetHint(noLongPart, "Kısa|", true);
    TApplication::SetWidgetHint(panel, "Panel|Kişisel bilgiler", true);
    TApplication::SetWidgetHint(withHint, "Yenile|Listeyi yeniler", true);
    TApplication::SetWidgetHint(noTip, "Sil|Kaydı siler", false);
    EXPECT_EQ(withHint->toolTip(), "Yenile");
    EXPECT_EQ(noTip->toolTip(), "");
    THintLog log;
    struct Step {
        void (*action)(QWidget *);
        QWidget *target;
        const char *hint;
    } steps[] = {
        {Enter, panel, "Kişisel bilgiler"},
        {Enter, withHint, "Listeyi yeniler"},
        {Leave, withHint, "Kişisel bilgiler"}, // back over the panel
        {Enter, without, "Kişisel bilgiler"},  // a widget without a hint shows its parent's
        {Leave, without, "Kişisel bilgiler"},
        {Enter, noTip, "Kaydı siler"},
        {Leave, noTip, "Kişisel bilgiler"},
        {Enter, emptyHint, "Kişisel bilgiler"}, // an empty hint is none
        {Leave, emptyHint, "Kişisel bilgiler"},
        {Enter, noLongPart, ""}, // a hint with an empty long part shows nothing
        {Leave, noLongPart, "Kişisel bilgiler"},
        {Leave, panel, ""},
        {Leave, &window, ""},
    };
    for (const auto &st : steps) {
        st.action(st.target);
        EXPECT_EQ(Application().Hint(), QString::fromUtf8(st.hint)) << st.hint;
    }
    // Qt's own status-tip events are taken over: the status bar is ours to fill.
    EXPECT_EQ(window.statusBar()->currentMessage(), "");
    EXPECT_EQ(log.Seen.back(), "");
}

TEST(Hints, ToolbarButtonsShowTheirActionsHint) {
    QMainWindow window;
    auto *bar = window.addToolBar("Araçlar");
    auto *ekle = bar->addAction("Ekle");
    auto *plain = bar->addAction("Bos");
    TApplication::SetWidgetHint(ekle, "Ekle|Yeni kayıt ekler", true);
    THintLog log;
    QWidget *button = bar->widgetForAction(ekle);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->toolTip(), "Ekle");
    Enter(button);
    EXPECT_EQ(Application().Hint(), QString::fromUtf8("Yeni kayıt ekler"));
    Leave(button);
    EXPECT_EQ(Application().Hint(), "");
    Enter(bar->widgetForAction(plain));
    EXPECT_EQ(Application().Hint(), "");
    EXPECT_EQ(log.Seen, (QStringList{QString::fromUtf8("Yeni kayıt ekler"), ""}));
    EXPECT_EQ(window.statusBar()->currentMessage(), "");
}

TEST(Hints, HighlightedMenuItemsShowTheirHintUntilTheMenuCloses) {
    QMainWindow window;
    QMenu *menu = window.menuBar()->addMenu("Dosya");
    QAction *sil = menu->addAction("Sil");
    QAction *cikis = menu->addAction("Çıkış");
    Application().WatchActionHint(sil, "Sil|Kaydı siler");
    Application().WatchActionHint(cikis, "Çıkış|Programdan çıkar");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    THintLog log;
    menu->popup(window.mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    menu->setActiveAction(sil);
    EXPECT_EQ(Application().Hint(), QString::fromUtf8("Kaydı siler"));
    QTest::mouseMove(menu, menu->actionGeometry(cikis).center());
    EXPECT_EQ(Application().Hint(), QString::fromUtf8("Programdan çıkar"));
    menu->hide();
    EXPECT_EQ(Application().Hint(), "");
    EXPECT_EQ(window.statusBar()->currentMessage(), "");
}

TEST(Title, IsNotAppendedToWindowCaptions) {
    const QString displayName = QGuiApplication::applicationDisplayName();
    const QString appName = QCoreApplication::applicationName();
    Application().SetTitle("Kadrolin");
    EXPECT_EQ(Application().Title(), "Kadrolin");
    // Qt appends a display name set by the program to every caption; none is set.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), displayName);
    // The application name picks the configuration directory; the title leaves it alone.
    EXPECT_EQ(QCoreApplication::applicationName(), appName);
}

} // namespace

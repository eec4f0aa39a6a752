#include "platform/widgets/application.h"

#include "platform/widgets/dialogs.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QVariant>
#include <QWidget>

namespace {
const char *const HintProperty = "kadrolinHint";
}

TApplication::TApplication() : FTitle(QCoreApplication::applicationName()) {
    InstallHooks();
}

TApplication::~TApplication() = default;

TApplication &Application() {
    static TApplication *app = nullptr;
    if (!app) {
        app = new TApplication;
        // Lives as long as the QApplication, so idle handlers die with it.
        if (QCoreApplication::instance()) app->setParent(QCoreApplication::instance());
        QObject::connect(app, &QObject::destroyed, [] { app = nullptr; });
    }
    return *app;
}

void TApplication::InstallHooks() {
    if (FHooksInstalled || !QCoreApplication::instance()) return;
    if (auto *d = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread())) {
        // With the plain dispatcher (QT_NO_GLIB=1) this fires only when nothing is pending.
        connect(d, &QAbstractEventDispatcher::aboutToBlock, this, &TApplication::AboutToBlock);
    }
    qApp->installEventFilter(this);
    FHooksInstalled = true;
}

void TApplication::SetTitle(const QString &title) {
    FTitle = title;
    QCoreApplication::setApplicationName(title);
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        QGuiApplication::setApplicationDisplayName(title);
}

void TApplication::ShowException(const std::exception &e) {
    ShowErrorBox(QString::fromUtf8(e.what()), FTitle);
}

void TApplication::AddIdleHandler(QObject *owner, std::function<void()> handler) {
    FIdle.push_back({owner, std::move(handler)});
}

void TApplication::ProcessIdle() {
    if (FInIdle) return;
    FInIdle = true;
    ++FIdleCount;
    // A failing idle handler must not take the loop down; show it like any handler error.
    if (OnIdle) Guard([&] { OnIdle(); });
    for (size_t i = 0; i < FIdle.size(); ++i) {
        if (FIdle[i].Owner.isNull()) continue;
        auto h = FIdle[i].Handler;
        Guard([&] { h(); });
    }
    std::erase_if(FIdle, [](const TIdleEntry &e) { return e.Owner.isNull(); });
    FInIdle = false;
}

void TApplication::AboutToBlock() {
    // A modal box shown from an idle handler runs its own loop; do not re-enter.
    if (FInIdle) return;
    ProcessIdle();
}

QString TApplication::GetShortHint(const QString &hint) {
    int p = hint.indexOf('|');
    return p < 0 ? hint : hint.left(p);
}

QString TApplication::GetLongHint(const QString &hint) {
    int p = hint.indexOf('|');
    return p < 0 ? hint : hint.mid(p + 1);
}

void TApplication::SetHint(const QString &hintText) {
    QString longPart = GetLongHint(hintText);
    if (longPart == FHint) return;
    FHint = longPart;
    if (OnHint) Guard([&] { OnHint(); });
}

void TApplication::SetWidgetHint(QObject *target, const QString &hint, bool showTooltip) {
    target->setProperty(HintProperty, hint);
    if (auto *w = qobject_cast<QWidget *>(target))
        w->setToolTip(showTooltip ? GetShortHint(hint) : QString());
}

void TApplication::WatchActionHint(QAction *action, const QString &hint) {
    action->setProperty(HintProperty, hint);
    connect(action, &QAction::hovered, this,
            [this, action] { SetHint(action->property(HintProperty).toString()); });
}

bool TApplication::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::Enter: {
        // The innermost widget with a hint wins; one without any leaves the hint empty.
        QWidget *w = qobject_cast<QWidget *>(watched);
        while (w && !w->property(HintProperty).isValid())
            w = w->parentWidget();
        SetHint(w ? w->property(HintProperty).toString() : QString());
        break;
    }
    case QEvent::Leave:
        if (watched->property(HintProperty).isValid()) SetHint(QString());
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void TApplication::Terminate() {
    FTerminated = true;
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

void TApplication::ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

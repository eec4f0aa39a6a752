#include "platform/widgets/application.h"

#include "platform/widgets/dialogs.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolButton>
#include <QVariant>
#include <QWidget>

namespace {
const char *const HintProperty = "kadrolinHint";

// The long hint an object carries of its own, if it has one. A toolbar button
// made for an action carries the action's hint.
bool OwnHint(const QObject *o, QString &longPart) {
    // An empty hint is no hint: the parent's shows through.
    QVariant v = o->property(HintProperty);
    if (v.isValid() && !v.toString().isEmpty()) {
        longPart = TApplication::GetLongHint(v.toString());
        return true;
    }
    if (auto *b = qobject_cast<const QToolButton *>(o); b && b->defaultAction())
        return OwnHint(b->defaultAction(), longPart);
    if (auto *w = qobject_cast<const QWidget *>(o); w && !w->statusTip().isEmpty()) {
        longPart = w->statusTip();
        return true;
    }
    return false;
}

// The hint shown over a widget: its own, else its nearest parent's within the window.
QString InheritedHint(const QWidget *w) {
    for (; w; w = w->parentWidget()) {
        QString h;
        if (OwnHint(w, h)) return h;
        if (w->isWindow()) break;
    }
    return {};
}
} // namespace

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
    // Neither Qt's display name (appended to every caption) nor the
    // application name (it names the configuration directory) follows the title.
    FTitle = title;
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
    SetLongHint(GetLongHint(hintText));
}

void TApplication::SetLongHint(const QString &longPart) {
    if (longPart == FHint) return;
    FHint = longPart;
    if (OnHint) Guard([&] { OnHint(); });
}

void TApplication::SetWidgetHint(QObject *target, const QString &hint, bool showTooltip) {
    target->setProperty(HintProperty, hint);
    // The status tip carries the long part, so Qt itself announces it for menu
    // items and toolbar buttons; the event filter turns that into the hint.
    if (auto *w = qobject_cast<QWidget *>(target)) {
        w->setToolTip(showTooltip ? GetShortHint(hint) : QString());
        w->setStatusTip(GetLongHint(hint));
    } else if (auto *a = qobject_cast<QAction *>(target)) {
        if (showTooltip) a->setToolTip(GetShortHint(hint));
        a->setStatusTip(GetLongHint(hint));
    }
}

void TApplication::WatchActionHint(QAction *action, const QString &hint) {
    SetWidgetHint(action, hint, true);
}

bool TApplication::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::Enter:
        if (auto *w = qobject_cast<QWidget *>(watched)) {
            FLeaving = nullptr;
            SetLongHint(InheritedHint(w));
        }
        break;
    case QEvent::Leave:
        if (auto *w = qobject_cast<QWidget *>(watched)) {
            // The mouse is now over the parent (or outside the window).
            FLeaving = w;
            FLeavingHint = w->isWindow() ? QString() : InheritedHint(w->parentWidget());
            SetLongHint(FLeavingHint);
        }
        break;
    case QEvent::StatusTip: {
        QString text = static_cast<QStatusTipEvent *>(event)->tip();
        if (text.isEmpty() && watched == FLeaving) text = FLeavingHint;
        SetLongHint(text);
        // Taken here: the hint handler alone decides what the status bar shows.
        return true;
    }
    case QEvent::Hide:
        // A closing menu leaves no highlighted item behind.
        if (qobject_cast<QMenu *>(watched)) SetLongHint(QString());
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

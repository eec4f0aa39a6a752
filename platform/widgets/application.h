#pragma once
// The application object: title, the default error display, the guard every
// event handler is entered through, the idle hook and the hint machinery.
#include <QObject>
#include <QPointer>
#include <QString>
#include <exception>
#include <functional>
#include <stdexcept>
#include <vector>

class QAction;

class TApplication : public QObject {
    Q_OBJECT
  public:
    TApplication();
    ~TApplication() override;

    // The application's own title, used as the caption of its message boxes.
    // It is deliberately not Qt's display name: Qt would append that to every
    // window caption ("Kadrolin 1.0 — Kadrolin").
    QString Title() const { return FTitle; }
    void SetTitle(const QString &title);

    // The default error display: a message box with the text, an error icon,
    // one OK button and the application title as caption.
    void ShowException(const std::exception &e);

    // Runs f; whatever escapes it is shown and swallowed, so no exception
    // crosses a Qt frame. Returns false when f failed.
    template <class F> bool Guard(F &&f) {
        try {
            f();
            return true;
        } catch (const std::exception &e) {
            ShowException(e);
        } catch (...) {
            ShowException(std::runtime_error("Unknown error"));
        }
        return false;
    }

    // Called each time the event queue runs empty.
    std::function<void()> OnIdle;
    // Further idle handlers, run after OnIdle; each goes away with its owner.
    void AddIdleHandler(QObject *owner, std::function<void()> handler);
    // Runs the idle handlers once, now.
    void ProcessIdle();

    // Hint handler and the current hint's long part. OnHint is the one way a
    // hint reaches the status bar: status-tip events are taken here and never
    // reach QMainWindow's own status bar handling.
    std::function<void()> OnHint;
    QString Hint() const { return FHint; }
    // Sets the current hint from a "short|long" text and tells OnHint when it changed.
    void SetHint(const QString &hintText);
    static QString GetShortHint(const QString &hint);
    static QString GetLongHint(const QString &hint);
    // Gives a widget or an action its "short|long" hint: the short part is the
    // tooltip when showTooltip, the long part becomes the current hint while
    // the mouse is over the widget, the toolbar button or the highlighted menu
    // item, and is cleared when the mouse leaves or the menu closes. A widget
    // without a hint of its own shows its nearest parent's.
    static void SetWidgetHint(QObject *target, const QString &hint, bool showTooltip);
    // Same as SetWidgetHint(action, hint, true).
    void WatchActionHint(QAction *action, const QString &hint);

    // Places a quit request in the event queue.
    void Terminate();
    bool Terminated() const { return FTerminated; }
    void ProcessMessages();

    // Number of times the idle hook fired (tests check it does not spin).
    int IdleCount() const { return FIdleCount; }

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void AboutToBlock();
    void InstallHooks();
    // Sets the long part as it is (it may itself hold a "|").
    void SetLongHint(const QString &longPart);

    struct TIdleEntry {
        QPointer<QObject> Owner;
        std::function<void()> Handler;
    };
    QString FTitle;
    QString FHint;
    // The widget whose Leave is being delivered: the empty status tip Qt sends
    // for it gives way to the hint of the parent the mouse is still over.
    QPointer<QObject> FLeaving;
    QString FLeavingHint;
    std::vector<TIdleEntry> FIdle;
    bool FInIdle = false;
    bool FHooksInstalled = false;
    bool FTerminated = false;
    int FIdleCount = 0;
};

// The one application object; created on first use (a QApplication must exist).
TApplication &Application();

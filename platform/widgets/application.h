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

    // Hint handler and the current hint's long part.
    std::function<void()> OnHint;
    QString Hint() const { return FHint; }
    // Sets the current hint from a "short|long" text and tells OnHint when it changed.
    void SetHint(const QString &hintText);
    static QString GetShortHint(const QString &hint);
    static QString GetLongHint(const QString &hint);
    // Gives a widget its "short|long" hint: tooltip from the short part when
    // showTooltip, long part to the status bar while the mouse is over it.
    static void SetWidgetHint(QObject *target, const QString &hint, bool showTooltip);
    // Menu items report their hint while highlighted.
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

    struct TIdleEntry {
        QPointer<QObject> Owner;
        std::function<void()> Handler;
    };
    QString FTitle;
    QString FHint;
    std::vector<TIdleEntry> FIdle;
    bool FInIdle = false;
    bool FHooksInstalled = false;
    bool FTerminated = false;
    int FIdleCount = 0;
};

// The one application object; created on first use (a QApplication must exist).
TApplication &Application();

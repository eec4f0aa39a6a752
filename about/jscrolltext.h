#pragma once
// Credits that scroll upwards without end over a list box. The scroller takes
// over the list box's viewport: an event filter there runs a step on each tick
// of a 40 ms timer the viewport owns, paints the lines during the viewport's
// paint event and swallows left-button presses, so the empty list never gets
// a selection or the focus.
#include <QColor>
#include <QFont>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QStringList>

class QListWidget;
class QPainter;
class QWidget;

class TJScrollText : public QObject {
    Q_OBJECT
  public:
    static constexpr int kTimerInterval = 40; // ms, one pixel per tick: 25 pixels a second
    static constexpr int kLineDistance = 20;  // pixels between the tops of two lines
    static constexpr int kLeftMargin = 5;
    // Credits beyond these are not read: they would only make the cycle endless.
    static constexpr int kMaxLines = 10000;
    static constexpr qint64 kMaxFileSize = 1024 * 1024;

    // Takes over the list box (not owned) and starts ticking at once.
    explicit TJScrollText(QListWidget *listBox);
    // Stops the timer and gives the list box its own event handling back.
    ~TJScrollText() override;

    // Reads the credits: code page 1254, one line per credit line (CR, LF or
    // CR LF). Throws std::runtime_error "Cannot open file "<full path>". <reason>"
    // when the file cannot be read; the lines and the cycle are then unchanged.
    void LoadFromFile(const QString &fileName);
    // The same from bytes already read.
    void LoadFromBytes(const QByteArray &bytes);

    void SetBackColor(const QColor &color);
    void SetForeColor(const QColor &color) { FForeColor = color; }
    // Restarts the viewport's timer with this period.
    void SetInterval(int ms);

    void UpdateExtent();
    // Back to the start: the first line just below the visible area.
    void Reset();
    // One tick: the text moves one pixel up; a finished cycle starts again.
    void Step();

    int Pos() const { return FPos; }
    // Top of the first line in the picture currently shown.
    int DrawnPos() const { return FDrawnPos; }
    int Extent() const { return FExtent; }
    QRect ClientRect() const { return FClientRect; }
    const QStringList &Lines() const { return FLines; }
    int Interval() const { return FInterval; }
    int TimerId() const { return FTimerId; }
    QColor BackColor() const { return FBackColor; }
    QColor ForeColor() const { return FForeColor; }
    // The font the lines are drawn in.
    static QFont TextFont();

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    QRect ListClientRect() const;
    void Paint(QPainter &painter) const;
    void StopTimer();

    int FPos = 0;
    int FDrawnPos = 0;
    QColor FBackColor = Qt::black;
    QRect FClientRect;
    QPointer<QListWidget> FListBox;
    QPointer<QWidget> FViewport;
    int FExtent = 0;
    QColor FForeColor = Qt::black;
    QStringList FLines;
    int FInterval = 0;
    int FTimerId = 0;
};

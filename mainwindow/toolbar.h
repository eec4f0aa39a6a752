#pragma once
// A toolbar and a status bar with fixed geometry: buttons of one size placed
// left to right from an indent, separators of a set width, panels of a set
// width. Laid out by hand so every piece sits where the window's design puts it.
#include <QFrame>
#include <QLabel>
#include <QToolButton>
#include <vector>

// A flat tool button that shows its whole caption: the designed buttons are
// narrow, and a caption cut to "Dü...le" reads worse than one that touches the edges.
class TToolButton : public QToolButton {
    Q_OBJECT
  public:
    using QToolButton::QToolButton;

  protected:
    void paintEvent(QPaintEvent *event) override;
};

class TToolBar : public QFrame {
    Q_OBJECT
  public:
    explicit TToolBar(QWidget *parent = nullptr);

    void SetButtonSize(int width, int height);
    void SetIndent(int indent);
    // Etched edges on all four sides.
    void SetEdgeBorders(bool on);
    // Captions under the pictures; otherwise pictures only.
    void SetShowCaptions(bool on);

    // A flat button; extraWidth widens a drop-down button for its arrow.
    QToolButton *AddButton(const QString &name, const QString &caption, const QIcon &icon,
                           int extraWidth = 0);
    QFrame *AddSeparator(const QString &name, int width);

  private:
    void Arrange();

    struct TItem {
        QWidget *Widget;
        int Width;
        bool Button;
    };
    std::vector<TItem> FItems;
    int FButtonWidth = 23, FButtonHeight = 22, FIndent = 0;
    bool FEdgeBorders = false, FShowCaptions = false;
};

class TStatusBar : public QFrame {
    Q_OBJECT
  public:
    // Panels of the given widths; the last one fills the rest.
    explicit TStatusBar(const std::vector<int> &widths, QWidget *parent = nullptr);
    int PanelCount() const { return static_cast<int>(FPanels.size()); }
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString &text);
    QLabel *Panel(int index) const;

  protected:
    void resizeEvent(QResizeEvent *event) override;

  private:
    std::vector<QLabel *> FPanels;
    std::vector<int> FWidths;
};

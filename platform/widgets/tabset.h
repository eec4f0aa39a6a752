#pragma once
// A strip of tabs above a page stack: the selected tab stands in front in
// the selected colour, the others in the unselected colour. Selecting a tab,
// by click or from the program, first asks OnChange, which may refuse.
#include "platform/widgets/tcolor.h"

#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

class TTabSet : public QWidget {
    Q_OBJECT
  public:
    explicit TTabSet(QWidget *parent = nullptr);

    QStringList Tabs() const { return FTabs; }
    void SetTabs(const QStringList &tabs);

    // -1 when there are no tabs.
    int TabIndex() const { return FTabIndex; }
    // Runs OnChange first; an index out of range is ignored. Returns whether
    // the selection is now index.
    bool SetTabIndex(int index);

    TColor SelectedColor() const { return FSelectedColor; }
    void SetSelectedColor(TColor c);
    TColor UnselectedColor() const { return FUnselectedColor; }
    void SetUnselectedColor(TColor c);
    TColor BackgroundColor() const { return FBackgroundColor; }
    void SetBackgroundColor(TColor c);
    bool DitherBackground() const { return FDitherBackground; }
    void SetDitherBackground(bool on);

    // The tab's rectangle in widget coordinates (empty when out of range).
    QRect TabRect(int index) const;
    int TabAt(const QPoint &pos) const;

    // Called before the selection changes to NewTab; set AllowChange false to refuse.
    std::function<void(int NewTab, bool &AllowChange)> OnChange;

  signals:
    void TabChanged(int index);

  protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

  private:
    void Layout();

    QStringList FTabs;
    std::vector<QRect> FRects;
    int FTabIndex = -1;
    TColor FSelectedColor = clBtnFace;
    TColor FUnselectedColor = clWindow;
    TColor FBackgroundColor = clBtnFace;
    bool FDitherBackground = true;
};

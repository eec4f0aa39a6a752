#include "platform/widgets/tabset.h"

#include "platform/widgets/application.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int StartMargin = 5; // room before the first tab
constexpr int Slant = 5;       // horizontal run of a tab's sloped edge
constexpr int TextPad = 4;     // blank between the slope and the caption
} // namespace

TTabSet::TTabSet(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void TTabSet::SetTabs(const QStringList &tabs) {
    FTabs = tabs;
    if (FTabs.isEmpty())
        FTabIndex = -1;
    else if (FTabIndex >= FTabs.size())
        FTabIndex = static_cast<int>(FTabs.size()) - 1;
    Layout();
    update();
}

bool TTabSet::SetTabIndex(int index) {
    if (index < 0 || index >= FTabs.size()) return false;
    if (index == FTabIndex) return true;
    bool allow = true;
    if (OnChange) OnChange(index, allow);
    if (!allow) return false;
    FTabIndex = index;
    update();
    emit TabChanged(index);
    return true;
}

void TTabSet::SetSelectedColor(TColor c) {
    if (c == FSelectedColor) return;
    FSelectedColor = c;
    update();
}

void TTabSet::SetUnselectedColor(TColor c) {
    if (c == FUnselectedColor) return;
    FUnselectedColor = c;
    update();
}

void TTabSet::SetBackgroundColor(TColor c) {
    if (c == FBackgroundColor) return;
    FBackgroundColor = c;
    update();
}

void TTabSet::SetDitherBackground(bool on) {
    if (on == FDitherBackground) return;
    FDitherBackground = on;
    update();
}

void TTabSet::Layout() {
    FRects.clear();
    const QFontMetrics fm(font());
    int x = StartMargin;
    for (const QString &t : FTabs) {
        const int w = fm.horizontalAdvance(t) + 2 * (Slant + TextPad);
        FRects.emplace_back(x, 0, w, height());
        // Neighbouring tabs share their slopes, as on a card index.
        x += w - Slant;
    }
}

QRect TTabSet::TabRect(int index) const {
    if (index < 0 || index >= static_cast<int>(FRects.size())) return {};
    return FRects[static_cast<size_t>(index)];
}

int TTabSet::TabAt(const QPoint &pos) const {
    // The selected tab lies in front, so it wins where slopes overlap.
    if (TabRect(FTabIndex).contains(pos)) return FTabIndex;
    for (int i = 0; i < static_cast<int>(FRects.size()); ++i)
        if (FRects[static_cast<size_t>(i)].contains(pos)) return i;
    return -1;
}

void TTabSet::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const int i = TabAt(event->position().toPoint());
    if (i >= 0) Application().Guard([&] { SetTabIndex(i); });
    event->accept();
}

void TTabSet::changeEvent(QEvent *event) {
    if (event->type() == QEvent::FontChange) Layout();
    QWidget::changeEvent(event);
}

void TTabSet::paintEvent(QPaintEvent *) {
    if (FRects.size() != static_cast<size_t>(FTabs.size()) ||
        (!FRects.empty() && FRects.front().height() != height()))
        Layout();
    QPainter p(this);
    const QColor back = ColorToQColor(FBackgroundColor);
    p.fillRect(rect(), back);
    if (FDitherBackground) p.fillRect(rect(), QBrush(back.darker(115), Qt::Dense4Pattern));

    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor text =
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
    const int bottom = height() - 1;

    auto drawTab = [&](int i) {
        const QRect r = FRects[static_cast<size_t>(i)];
        const bool selected = i == FTabIndex;
        const int top = selected ? 0 : 2;
        QPainterPath path;
        path.moveTo(r.left(), bottom);
        path.lineTo(r.left() + Slant, top);
        path.lineTo(r.right() - Slant, top);
        path.lineTo(r.right(), bottom);
        path.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(ColorToQColor(selected ? FSelectedColor : FUnselectedColor));
        p.drawPath(path);
        p.setBrush(Qt::NoBrush);
        p.setPen(light);
        p.drawLine(r.left(), bottom, r.left() + Slant, top);
        p.drawLine(r.left() + Slant, top, r.right() - Slant, top);
        p.setPen(shadow);
        p.drawLine(r.right() - Slant, top, r.right(), bottom);
        if (!selected) {
            // Tabs behind the selected one sit on the strip's base line.
            p.setPen(light);
            p.drawLine(r.left(), bottom, r.right(), bottom);
        }
        p.setPen(text);
        p.drawText(r.adjusted(Slant + TextPad, top, -(Slant + TextPad), 0),
                   Qt::AlignCenter | Qt::TextSingleLine, FTabs[i]);
    };
    // Unselected tabs from the right so the left neighbour overlaps, then the selected one in front.
    for (int i = static_cast<int>(FRects.size()) - 1; i >= 0; --i)
        if (i != FTabIndex) drawTab(i);
    p.setPen(light);
    p.drawLine(0, bottom, width() - 1, bottom);
    if (FTabIndex >= 0) {
        drawTab(FTabIndex);
        // The selected tab opens onto the page below: no base line under it.
        const QRect r = FRects[static_cast<size_t>(FTabIndex)];
        p.setPen(ColorToQColor(FSelectedColor));
        p.drawLine(r.left() + 1, bottom, r.right() - 1, bottom);
    }
}

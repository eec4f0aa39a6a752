#include "mainwindow/toolbar.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>

void TToolButton::paintEvent(QPaintEvent *event) {
    if (toolButtonStyle() != Qt::ToolButtonTextUnderIcon) return QToolButton::paintEvent(event);
    QStylePainter p(this);
    QStyleOptionToolButton opt;
    initStyleOption(&opt);
    // The frame from the style, picture and caption by hand so the caption is never cut short.
    opt.text.clear();
    opt.icon = QIcon();
    p.drawComplexControl(QStyle::CC_ToolButton, opt);
    const bool down = isDown() || isChecked();
    const int shift = down ? 1 : 0;
    const QIcon::Mode mode = !isEnabled() ? QIcon::Disabled : QIcon::Normal;
    const QPixmap pm = icon().pixmap(iconSize(), devicePixelRatio(), mode);
    const int top = 3;
    p.drawPixmap((width() - iconSize().width()) / 2 + shift, top + shift, pm);
    const QRect textRect(shift, top + iconSize().height() + 1 + shift, width(),
                         height() - top - iconSize().height() - 1);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.drawText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic, text());
}

TToolBar::TToolBar(QWidget *parent) : QFrame(parent) {
    setFrameStyle(QFrame::NoFrame);
}

void TToolBar::SetButtonSize(int width, int height) {
    FButtonWidth = width;
    FButtonHeight = height;
    Arrange();
}

void TToolBar::SetIndent(int indent) {
    FIndent = indent;
    Arrange();
}

void TToolBar::SetEdgeBorders(bool on) {
    FEdgeBorders = on;
    // A groove: lowered outside, raised inside.
    setFrameStyle(on ? (QFrame::Box | QFrame::Sunken) : QFrame::NoFrame);
    setLineWidth(1);
    setMidLineWidth(0);
    Arrange();
}

void TToolBar::SetShowCaptions(bool on) {
    FShowCaptions = on;
    for (auto &i : FItems)
        if (i.Button)
            static_cast<QToolButton *>(i.Widget)->setToolButtonStyle(on ? Qt::ToolButtonTextUnderIcon
                                                                        : Qt::ToolButtonIconOnly);
}

QToolButton *TToolBar::AddButton(const QString &name, const QString &caption, const QIcon &icon,
                                 int extraWidth) {
    auto *b = new TToolButton(this);
    b->setObjectName(name);
    b->setText(caption);
    b->setIcon(icon);
    b->setIconSize(QSize(16, 16));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setToolButtonStyle(FShowCaptions ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
    FItems.push_back({b, extraWidth, true});
    Arrange();
    return b;
}

QFrame *TToolBar::AddSeparator(const QString &name, int width) {
    auto *s = new QFrame(this);
    s->setObjectName(name);
    s->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    FItems.push_back({s, width, false});
    Arrange();
    return s;
}

void TToolBar::Arrange() {
    const int edge = FEdgeBorders ? 2 : 0;
    int x = edge + FIndent;
    for (auto &i : FItems) {
        const int w = i.Button ? FButtonWidth + i.Width : i.Width;
        i.Widget->setGeometry(x, edge, w, FButtonHeight);
        x += w;
    }
}

TStatusBar::TStatusBar(const std::vector<int> &widths, QWidget *parent) : QFrame(parent), FWidths(widths) {
    for (size_t i = 0; i < widths.size(); ++i) {
        auto *l = new QLabel(this);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        l->setObjectName(QString("Panel%1").arg(i + 1));
        FPanels.push_back(l);
    }
}

QLabel *TStatusBar::Panel(int index) const {
    if (index < 0 || index >= PanelCount()) return nullptr;
    return FPanels[static_cast<size_t>(index)];
}

QString TStatusBar::PanelText(int index) const {
    const QLabel *l = Panel(index);
    return l ? l->text() : QString();
}

void TStatusBar::SetPanelText(int index, const QString &text) {
    if (QLabel *l = Panel(index)) l->setText(text);
}

void TStatusBar::resizeEvent(QResizeEvent *event) {
    QFrame::resizeEvent(event);
    int x = 0;
    for (size_t i = 0; i < FPanels.size(); ++i) {
        const bool last = i + 1 == FPanels.size();
        const int w = last ? std::max(0, width() - x) : FWidths[i];
        FPanels[i]->setGeometry(x, 2, last ? w : w - 2, height() - 2);
        x += w;
    }
}

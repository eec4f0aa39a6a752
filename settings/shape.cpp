#include "settings/shape.h"

#include <QMouseEvent>
#include <QPainter>

TShape::TShape(QWidget *parent) : QWidget(parent) {}

void TShape::SetBrushColor(TColor c) {
    FBrushColor = c;
    update();
}

void TShape::SetPenColor(TColor c) {
    FPenColor = c;
    update();
}

void TShape::SetPenWidth(int w) {
    FPenWidth = w;
    update();
}

void TShape::paintEvent(QPaintEvent *) {
    QPainter p(this);
    // The pen is drawn inside the bounds, as wide as it is asked to be.
    const int pw = std::max(1, FPenWidth);
    p.fillRect(rect(), ColorToQColor(FBrushColor));
    const QColor pen = ColorToQColor(FPenColor);
    const QRect r = rect();
    p.fillRect(QRect(r.left(), r.top(), r.width(), pw), pen);
    p.fillRect(QRect(r.left(), r.bottom() - pw + 1, r.width(), pw), pen);
    p.fillRect(QRect(r.left(), r.top(), pw, r.height()), pen);
    p.fillRect(QRect(r.right() - pw + 1, r.top(), pw, r.height()), pen);
}

void TShape::mousePressEvent(QMouseEvent *event) {
    event->accept();
    emit MouseDown(event->button());
}

#include "mainwindow/imagelist.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// The scales the pictures are drawn at, so a scaled screen (125 %, 150 %,
// 200 %, 300 %) gets a picture drawn for its own size, not a blown-up one.
constexpr qreal kScales[] = {1.0, 1.25, 1.5, 2.0, 3.0};

QPixmap Blank(qreal scale = 1.0) {
    const int side = qRound(16 * scale);
    QPixmap p(side, side);
    p.fill(Qt::transparent);
    return p;
}

// A painter on a blank picture, in the 16 x 16 design coordinates.
void Begin(QPainter &p, QPixmap &pm) {
    p.begin(&pm);
    p.scale(pm.width() / 16.0, pm.height() / 16.0);
}

void Page(QPainter &p) {
    p.setPen(QColor(90, 90, 90));
    p.setBrush(Qt::white);
    p.drawRect(2, 1, 10, 13);
    p.setPen(QColor(170, 170, 170));
    for (int y = 4; y <= 11; y += 2)
        p.drawLine(4, y, 10, y);
}

void Plus(QPainter &p, int cx, int cy) {
    p.setPen(QColor(0, 100, 0));
    p.setBrush(QColor(40, 170, 40));
    p.drawRect(cx - 1, cy - 4, 3, 9);
    p.drawRect(cx - 4, cy - 1, 9, 3);
    p.fillRect(cx, cy - 3, 1, 7, QColor(40, 170, 40));
    p.fillRect(cx - 3, cy, 7, 1, QColor(40, 170, 40));
}

QPixmap Draw(int index, qreal scale) {
    QPixmap pm = Blank(scale);
    QPainter p;
    Begin(p, pm);
    switch (index) {
    case imgAdd:
        Page(p);
        Plus(p, 11, 11);
        break;
    case imgEdit: {
        Page(p);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath pencil;
        pencil.moveTo(14, 4);
        pencil.lineTo(15.5, 5.5);
        pencil.lineTo(8, 13);
        pencil.lineTo(5.5, 14);
        pencil.lineTo(6.5, 11.5);
        pencil.closeSubpath();
        p.setPen(QColor(80, 60, 0));
        p.setBrush(QColor(240, 190, 40));
        p.drawPath(pencil);
        break;
    }
    case imgDelete:
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(200, 20, 20), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    case imgSave:
        p.setPen(QColor(20, 40, 110));
        p.setBrush(QColor(50, 90, 190));
        p.drawRect(1, 1, 13, 13);
        p.fillRect(4, 2, 8, 5, Qt::white);
        p.fillRect(4, 10, 8, 4, QColor(190, 190, 200));
        p.fillRect(9, 11, 2, 2, QColor(20, 40, 110));
        break;
    case imgPrint:
        p.setPen(QColor(60, 60, 60));
        p.setBrush(Qt::white);
        p.drawRect(4, 1, 8, 6);
        p.setBrush(QColor(170, 170, 170));
        p.drawRect(1, 6, 14, 6);
        p.setBrush(Qt::white);
        p.drawRect(4, 10, 8, 5);
        p.fillRect(12, 8, 2, 1, QColor(40, 170, 40));
        break;
    case imgSettings: {
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(8, 8);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(110, 110, 120));
        for (int i = 0; i < 8; ++i) {
            p.drawRect(QRectF(-1.5, -7.5, 3, 4));
            p.rotate(45);
        }
        p.drawEllipse(QPointF(0, 0), 5, 5);
        p.setBrush(QColor(235, 235, 235));
        p.drawEllipse(QPointF(0, 0), 2, 2);
        break;
    }
    case imgExit: {
        p.setPen(QColor(90, 60, 30));
        p.setBrush(QColor(170, 120, 60));
        p.drawRect(2, 1, 8, 14);
        p.fillRect(8, 8, 1, 1, QColor(250, 220, 80));
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath arrow;
        arrow.moveTo(8, 6.5);
        arrow.lineTo(12, 6.5);
        arrow.lineTo(12, 4);
        arrow.lineTo(15.5, 8);
        arrow.lineTo(12, 12);
        arrow.lineTo(12, 9.5);
        arrow.lineTo(8, 9.5);
        arrow.closeSubpath();
        p.setPen(QColor(120, 0, 0));
        p.setBrush(QColor(220, 40, 40));
        p.drawPath(arrow);
        break;
    }
    case imgAddPicture: {
        p.setPen(QColor(70, 70, 70));
        p.setBrush(QColor(150, 200, 245));
        p.drawRect(0, 2, 12, 10);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 210, 40));
        p.drawEllipse(7, 4, 3, 3);
        p.setBrush(QColor(60, 140, 60));
        QPolygon hill{QPoint(1, 12), QPoint(5, 6), QPoint(9, 12)};
        p.drawPolygon(hill);
        Plus(p, 11, 11);
        break;
    }
    case imgRefresh: {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(30, 130, 30), 2.2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3, 3, 10, 10), 30 * 16, 150 * 16);
        p.drawArc(QRectF(3, 3, 10, 10), 210 * 16, 150 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 130, 30));
        p.drawPolygon(QPolygonF{QPointF(10.5, 1), QPointF(15, 4.5), QPointF(10, 6.5)});
        p.drawPolygon(QPolygonF{QPointF(5.5, 15), QPointF(1, 11.5), QPointF(6, 9.5)});
        break;
    }
    default:
        break;
    }
    return pm;
}

QIcon ScaledIcon(QPixmap (*draw)(int, qreal), int index) {
    QIcon icon;
    for (qreal scale : kScales)
        icon.addPixmap(draw(index, scale));
    return icon;
}

QPixmap DrawMail(int, qreal scale) {
    QPixmap pm = Blank(scale);
    QPainter p;
    Begin(p, pm);
    p.setPen(QColor(70, 70, 90));
    p.setBrush(QColor(250, 245, 225));
    p.drawRect(1, 3, 13, 9);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawLine(QPointF(1.5, 3.5), QPointF(7.5, 8.5));
    p.drawLine(QPointF(7.5, 8.5), QPointF(13.5, 3.5));
    return pm;
}

} // namespace

TImageList::TImageList() {
    for (int i = 0; i < imgCount; ++i) {
        FPixmaps[i] = Draw(i, 1.0);
        FIcons[i] = ScaledIcon(Draw, i);
    }
}

QPixmap TImageList::Pixmap(int index) const {
    if (index < 0 || index >= imgCount) return {};
    return FPixmaps[index];
}

QIcon TImageList::Icon(int index) const {
    if (index < 0 || index >= imgCount) return {};
    return FIcons[index];
}

QPixmap TImageList::MailPixmap() {
    return DrawMail(0, 1.0);
}

QIcon TImageList::MailIcon() {
    return ScaledIcon(DrawMail, 0);
}

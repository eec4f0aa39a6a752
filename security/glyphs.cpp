#include "security/glyphs.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>

namespace {
class TAsteriskStyle : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QPixmap Glyph(void (*draw)(QPainter &)) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return pm;
}
} // namespace

QPixmap LockPicture() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // Shackle.
    p.setPen(QPen(QColor(110, 110, 120), 3.2));
    p.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    shackle.moveTo(10, 15);
    shackle.lineTo(10, 10);
    shackle.arcTo(10, 3, 12, 13, 180, -180);
    shackle.lineTo(22, 15);
    p.drawPath(shackle);
    // Body.
    QLinearGradient body(0, 14, 0, 30);
    body.setColorAt(0, QColor(250, 210, 90));
    body.setColorAt(1, QColor(200, 140, 20));
    p.setPen(QPen(QColor(130, 90, 10), 1));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(5.5, 14.5, 21, 15), 2.5, 2.5);
    // Keyhole.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 45, 5));
    p.drawEllipse(QPointF(16, 20.5), 2.2, 2.2);
    p.drawRect(QRectF(15, 21, 2, 5));
    return pm;
}

QIcon OkGlyph() {
    return QIcon(Glyph([](QPainter &p) {
        p.setPen(QPen(QColor(0, 128, 0), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}));
    }));
}

QIcon CancelGlyph() {
    return QIcon(Glyph([](QPainter &p) {
        p.setPen(QPen(QColor(200, 0, 0), 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
    }));
}

QFont DialogFont() {
    // Resolved by fontconfig to the system's sans font.
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSize(8);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

void MaskWithAsterisks(QLineEdit *edit) {
    // One style for every masked box, living as long as the application.
    static QPointer<TAsteriskStyle> style;
    if (!style) {
        style = new TAsteriskStyle;
        style->setParent(qApp);
    }
    edit->setStyle(style);
    edit->setEchoMode(QLineEdit::Password);
}

void MakeTamamIptal(QDialog *dialog, QPushButton *&tamam, const QRect &tamamGeometry, QPushButton *&iptal,
                    const QRect &iptalGeometry) {
    tamam = MakeNamed<QPushButton>(dialog, "BitBtn1");
    tamam->setText(QStringLiteral("Tamam"));
    tamam->setIcon(OkGlyph());
    tamam->setGeometry(tamamGeometry);
    tamam->setDefault(true);

    iptal = MakeNamed<QPushButton>(dialog, "BitBtn2");
    iptal->setText(QString::fromUtf8("İptal"));
    iptal->setIcon(CancelGlyph());
    iptal->setGeometry(iptalGeometry);
    // Esc and the close box reject the dialog the same way.
    QObject::connect(iptal, &QPushButton::clicked, dialog, &QDialog::reject);
}

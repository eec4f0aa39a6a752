#include "platform/report/printprogress.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TQRPrintProgress::TQRPrintProgress(QWidget *parent) : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("QRPrintProgress"));
    setWindowTitle(QStringLiteral("Printing progress"));
    setModal(false);
    auto *lay = new QVBoxLayout(this);
    FBar = new QProgressBar(this);
    FBar->setObjectName(QStringLiteral("ProgressBar"));
    FBar->setRange(0, 100);
    FBar->setValue(0);
    FBar->setTextVisible(false);
    FLabel = new QLabel(this);
    FLabel->setObjectName(QStringLiteral("Info"));
    FLabel->setAlignment(Qt::AlignCenter);
    FLabel->setText(QStringLiteral("0%  Completed"));
    FCancel = new QPushButton(QStringLiteral("Cancel"), this);
    FCancel->setObjectName(QStringLiteral("CancelButton"));
    lay->addWidget(FBar);
    lay->addWidget(FLabel);
    lay->addWidget(FCancel, 0, Qt::AlignHCenter);
    connect(FCancel, &QPushButton::clicked, this, [this] {
        FCancelled = true;
        emit CancelClicked();
    });
    setFixedSize(300, 110);
    if (QScreen *s = QGuiApplication::primaryScreen()) {
        QRect r = s->availableGeometry();
        move(r.center() - QPoint(width() / 2, height() / 2));
    }
}

void TQRPrintProgress::SetProgress(int percent) {
    if (percent % 5 != 0) return;
    FBar->setValue(percent);
    FLabel->setText(QString::number(percent) + QStringLiteral("% ") + QStringLiteral(" Completed"));
}

QString TQRPrintProgress::Text() const {
    return FLabel->text();
}

int TQRPrintProgress::Value() const {
    return FBar->value();
}

#include "about/jscrolltext.h"

#include "platform/text/cp1254.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <algorithm>
#include <stdexcept>

TJScrollText::TJScrollText(QListWidget *listBox) : FListBox(listBox), FViewport(listBox->viewport()) {
    FViewport->installEventFilter(this);
    FClientRect = ListClientRect();
    SetInterval(kTimerInterval);
    Reset();
}

TJScrollText::~TJScrollText() {
    StopTimer();
    if (FViewport) {
        FViewport->removeEventFilter(this);
        FViewport->update();
    }
}

QRect TJScrollText::ListClientRect() const {
    // The area inside the list box's frame. Taken from the list box rather than the
    // viewport, whose geometry is only laid out once the window is first shown.
    if (!FListBox) return FClientRect;
    return QRect(QPoint(0, 0), FListBox->contentsRect().size());
}

void TJScrollText::StopTimer() {
    if (FTimerId && FViewport) FViewport->killTimer(FTimerId);
    FTimerId = 0;
}

void TJScrollText::SetInterval(int ms) {
    FInterval = ms;
    StopTimer();
    if (FViewport) FTimerId = FViewport->startTimer(std::max(ms, 1));
}

void TJScrollText::SetBackColor(const QColor &color) {
    FBackColor = color;
    if (!FListBox) return;
    // The list box's own background too, so nothing light shows before the first tick.
    QPalette pal = FListBox->palette();
    pal.setColor(QPalette::Base, color);
    pal.setColor(QPalette::Window, color);
    FListBox->setPalette(pal);
    FListBox->viewport()->setAutoFillBackground(true);
}

void TJScrollText::LoadFromFile(const QString &fileName) {
    QFileInfo info(fileName);
    QString path = QDir::toNativeSeparators(info.absoluteFilePath());
    QFile f(fileName);
    QString reason;
    if (info.isDir())
        reason = QStringLiteral("Is a directory");
    else if (info.exists() && !info.isFile())
        reason = QStringLiteral("Not a regular file"); // a pipe or device would block or never end
    else if (!f.open(QIODevice::ReadOnly))
        reason = f.errorString();
    if (!reason.isEmpty())
        throw std::runtime_error(
            QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason).toStdString());
    QByteArray bytes = f.read(kMaxFileSize);
    if (f.error() != QFileDevice::NoError)
        throw std::runtime_error(
            QStringLiteral("Cannot open file \"%1\". %2").arg(path, f.errorString()).toStdString());
    LoadFromBytes(bytes);
}

void TJScrollText::LoadFromBytes(const QByteArray &bytes) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = std::min<qsizetype>(bytes.size(), kMaxFileSize);
    auto add = [&](qsizetype end) {
        std::string utf8 =
            kadrolin::Cp1254ToUtf8(std::string_view(bytes.constData() + start, size_t(end - start)));
        lines.append(QString::fromStdString(utf8));
    };
    for (qsizetype i = 0; i < n && lines.size() < kMaxLines; ++i) {
        char c = bytes[i];
        if (c != '\r' && c != '\n') continue;
        add(i);
        if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    // A last line without a line end still counts; a final line end adds no empty line.
    if (start < n && lines.size() < kMaxLines) add(n);
    FLines = lines;
    UpdateExtent();
}

void TJScrollText::UpdateExtent() {
    // The cycle counts the 20-pixel line distance the lines are drawn at, so the
    // last line has scrolled fully past the top before the text starts again.
    FExtent = int(FLines.size()) * kLineDistance + FClientRect.height();
}

void TJScrollText::Reset() {
    FClientRect = ListClientRect();
    FPos = FClientRect.height();
    FDrawnPos = FPos;
    if (FViewport) FViewport->update();
}

void TJScrollText::Step() {
    FClientRect = ListClientRect();
    FDrawnPos = FPos;
    --FPos;
    if (FExtent + FPos <= 0) Reset();
    // The picture is drawn in the viewport's paint event, which this requests.
    if (FViewport) FViewport->update();
}

QFont TJScrollText::TextFont() {
    // The window system's default font, not the list box's: bold, as a plain device context has.
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(13);
    font.setBold(true);
    return font;
}

void TJScrollText::Paint(QPainter &painter) const {
    painter.fillRect(FClientRect, FBackColor);
    if (FLines.isEmpty()) return;
    painter.setFont(TextFont());
    painter.setPen(FForeColor);
    painter.setBackgroundMode(Qt::TransparentMode);
    const int ascent = painter.fontMetrics().ascent();
    // Only lines that reach into the area; the others would be clipped anyway.
    int first = std::max(0, (FClientRect.top() - FDrawnPos) / kLineDistance - 1);
    for (int i = first; i < FLines.size(); ++i) {
        int y = FDrawnPos + kLineDistance * i;
        if (y > FClientRect.bottom()) break;
        painter.drawText(QPoint(FClientRect.left() + kLeftMargin, y + ascent), FLines[i]);
    }
}

bool TJScrollText::eventFilter(QObject *watched, QEvent *event) {
    if (watched != FViewport) return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Timer:
        if (static_cast<QTimerEvent *>(event)->timerId() == FTimerId && FTimerId != 0) {
            Step();
            return true;
        }
        break;
    case QEvent::Paint: {
        QPainter painter(FViewport);
        Paint(painter);
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // A click in the credits must not select or focus anything.
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) return true;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

#include "about/jscrolltext.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimerEvent>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// The credits area as the about window has it: 217 x 69 with a 2-pixel frame.
std::unique_ptr<QListWidget> CreditsBox() {
    auto box = std::make_unique<QListWidget>();
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box->setLineWidth(2);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->resize(217, 69);
    return box;
}

QByteArray Credits(int n) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b += "Satir " + QByteArray::number(i) + "\r\n";
    return b;
}

TEST(Scroller, StartsBelowTheAreaAndRises25PixelsASecond) {
    auto box = CreditsBox();
    TJScrollText s(box.get());
    s.LoadFromBytes(Credits(3));
    const int h = s.ClientRect().height();
    EXPECT_EQ(h, 65);
    EXPECT_EQ(s.Interval(), 40);
    EXPECT_NE(s.TimerId(), 0);
    EXPECT_EQ(s.Pos(), h);
    // First tick: the first line's top sits at the bottom edge; the next shows its first row.
    s.Step();
    EXPECT_EQ(s.DrawnPos(), h);
    s.Step();
    EXPECT_EQ(s.DrawnPos(), h - 1);
    // One second is 1000 / 40 = 25 ticks: 25 pixels.
    int before = s.DrawnPos();
    for (int i = 0; i < 1000 / s.Interval(); ++i)
        s.Step();
    EXPECT_EQ(before - s.DrawnPos(), 25);
}

TEST(Scroller, EveryLineScrollsPastTheTopBeforeTheCycleRestarts) {
    for (int n : {0, 1, 3, 18, 30, 200}) {
        auto box = CreditsBox();
        TJScrollText s(box.get());
        s.LoadFromBytes(Credits(n));
        const int h = s.ClientRect().height();
        ASSERT_EQ(s.Lines().size(), n);
        EXPECT_EQ(s.Extent(), n * TJScrollText::kLineDistance + h) << n;
        // Count the ticks until the restart, and keep the last picture drawn before it.
        int ticks = 0, lastPicture = s.DrawnPos();
        for (;;) {
            s.Step();
            ++ticks;
            if (s.Pos() == h || ticks > 100000) break;
            lastPicture = s.DrawnPos();
        }
        EXPECT_EQ(ticks, 2 * h + n * 20) << n << " lines";
        // In that picture the last line's bottom is at or above the top edge.
        if (n > 0) {
            EXPECT_LE(lastPicture + 20 * (n - 1) + 20, 1) << n;
        }
        // The next cycle is the same.
        int again = 0;
        do {
            s.Step();
            ++again;
        } while (s.Pos() != h && again < 100000);
        EXPECT_EQ(again, ticks) << n;
    }
}

TEST(Scroller, CreditLinesEndAtCrLfOrCrLf) {
    struct Case {
        QByteArray bytes;
        QStringList lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\rc\r\nd\n", {"a", "b", "c", "d"}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"\n\n", {"", ""}},
        {"\xDE\xFD\xFE\xF0 \xDD\xE7\xFC\xF6\x80", {QString::fromUtf8("Şışğ İçüö€")}},
    };
    for (const Case &c : cases) {
        auto box = CreditsBox();
        TJScrollText s(box.get());
        s.LoadFromBytes(c.bytes);
        EXPECT_EQ(s.Lines(), c.lines) << c.bytes.toHex().constData();
        EXPECT_EQ(s.Extent(), int(c.lines.size()) * 20 + s.ClientRect().height());
    }
}

TEST(Scroller, OversizedCreditsAreCutNotEndless) {
    auto box = CreditsBox();
    TJScrollText s(box.get());
    s.LoadFromBytes(Credits(3 * TJScrollText::kMaxLines));
    EXPECT_EQ(s.Lines().size(), TJScrollText::kMaxLines);
    EXPECT_EQ(s.Lines().last(), QString("Satir %1").arg(TJScrollText::kMaxLines - 1));
    EXPECT_EQ(s.Extent(), TJScrollText::kMaxLines * 20 + s.ClientRect().height());
    // One line longer than the whole read limit: cut at the limit, still one line.
    s.LoadFromBytes(QByteArray(TJScrollText::kMaxFileSize + 100, 'x'));
    ASSERT_EQ(s.Lines().size(), 1);
    EXPECT_EQ(s.Lines()[0].size(), TJScrollText::kMaxFileSize);
}

TEST(Scroller, MissingFileNamesThePathAndReasonAndChangesNothing) {
    QTemporaryDir dir;
    auto box = CreditsBox();
    TJScrollText s(box.get());
    EXPECT_EQ(s.Extent(), 0);
    const QString missing = dir.filePath("system.ssd");
    try {
        s.LoadFromFile(missing);
        FAIL() << "no error";
    } catch (const std::runtime_error &e) {
        EXPECT_EQ(QString::fromUtf8(e.what()),
                  QString("Cannot open file \"%1\". No such file or directory").arg(missing));
    }
    EXPECT_TRUE(s.Lines().isEmpty());
    EXPECT_EQ(s.Extent(), 0);
    EXPECT_THROW(s.LoadFromFile(dir.path()), std::runtime_error);
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("boru.ssd")).constData(), 0600), 0);
    EXPECT_THROW(s.LoadFromFile(dir.filePath("boru.ssd")), std::runtime_error);
    EXPECT_THROW(s.LoadFromFile("/dev/zero"), std::runtime_error);
    // With no cycle at all the position restarts whenever it reaches 0, and nothing breaks.
    const int h = s.ClientRect().height();
    for (int i = 0; i < 3 * h; ++i)
        s.Step();
    EXPECT_GT(s.Pos(), 0);
    EXPECT_LE(s.Pos(), h);

    QFile f(dir.filePath("credits.ssd"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("bir\r\niki\r\n");
    f.close();
    s.LoadFromFile(f.fileName());
    EXPECT_EQ(s.Lines(), QStringList({"bir", "iki"}));
}

TEST(Scroller, TicksComeFromTheViewportsTimerAndLeftClicksAreSwallowed) {
    auto box = CreditsBox();
    box->addItem("secilebilir");
    box->show();
    TJScrollText s(box.get());
    s.LoadFromBytes(Credits(2));
    const int pos = s.Pos();
    QTimerEvent tick(s.TimerId());
    QApplication::sendEvent(box->viewport(), &tick);
    EXPECT_EQ(s.Pos(), pos - 1);
    QTimerEvent other(s.TimerId() + 1000);
    QApplication::sendEvent(box->viewport(), &other);
    EXPECT_EQ(s.Pos(), pos - 1);

    const QPoint onItem = box->visualItemRect(box->item(0)).center();
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, onItem);
    EXPECT_EQ(box->currentRow(), -1);
    EXPECT_TRUE(box->selectedItems().isEmpty());
}

TEST(Scroller, GivesTheListBoxBackWhenDestroyed) {
    auto box = CreditsBox();
    box->addItem("secilebilir");
    box->show();
    int timerId = 0;
    {
        TJScrollText s(box.get());
        timerId = s.TimerId();
    }
    // Its ticks no longer move anything and clicks reach the list again.
    QTimerEvent tick(timerId);
    QApplication::sendEvent(box->viewport(), &tick);
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, box->visualItemRect(box->item(0)).center());
    EXPECT_EQ(box->currentRow(), 0);
}

int CountColor(const QImage &img, const QRect &r, QRgb c) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) == (c & 0xFFFFFF)) ++n;
    return n;
}

TEST(Scroller, PaintsGrayLinesOnBlackAndClearsEveryTick) {
    auto box = CreditsBox();
    TJScrollText s(box.get());
    s.SetBackColor(Qt::black);
    s.SetForeColor(QColor(0x80, 0x80, 0x80));
    s.LoadFromBytes("WWWWWWWW\r\nWWWWWWWW\r\n");
    box->show();
    // Before any tick the whole area is black (no light flash at opening).
    QImage img = box->viewport()->grab().toImage();
    const QRect area = img.rect();
    EXPECT_EQ(CountColor(img, area, qRgb(0, 0, 0)), area.width() * area.height());
    for (int i = 0; i < 40; ++i)
        s.Step();
    img = box->viewport()->grab().toImage();
    int gray = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            QColor c = img.pixelColor(x, y);
            if (c != Qt::black) {
                EXPECT_EQ(c.red(), c.green());
                EXPECT_LE(c.red(), 0x80);
                ++gray;
            }
        }
    EXPECT_GT(gray, 50);
    // The text starts 5 pixels from the left: nothing left of that.
    EXPECT_EQ(CountColor(img, QRect(0, 0, 5, img.height()), qRgb(0, 0, 0)), 5 * img.height());

    // Empty credits: only black, tick after tick.
    s.LoadFromBytes("");
    for (int i = 0; i < 10; ++i) {
        s.Step();
        img = box->viewport()->grab().toImage();
        EXPECT_EQ(CountColor(img, img.rect(), qRgb(0, 0, 0)), img.width() * img.height());
    }
}

} // namespace

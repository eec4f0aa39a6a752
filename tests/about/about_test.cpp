#include "about/about.h"
#include "about/jscrolltext.h"
#include "platform/system/shell.h"
#include "platform/text/cp1254.h"
#include "platform/widgets/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Runs a test in a working directory of its own, as the program runs in its data directory.
class WorkDir {
  public:
    WorkDir() : FOld(QDir::currentPath()) { QDir::setCurrent(FDir.path()); }
    ~WorkDir() { QDir::setCurrent(FOld); }
    QString Path(const QString &name) const { return FDir.filePath(name); }
    void Write(const QString &name, const QByteArray &bytes) const {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void CopyShipped(const QString &name) const {
        ASSERT_TRUE(QFile::copy(QStringLiteral(KADROLIN_SOURCE_DIR "/data/") + name, Path(name)));
    }

  private:
    QString FOld;
    QTemporaryDir FDir;
};

const std::string kMeminfo16G = KADROLIN_FIXTURES "/about/meminfo-16g";

void DeleteLater() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(AboutFigures, MemoryFormat) {
    struct Case {
        uint64_t bytes;
        QLocale::Language lang;
        const char *text;
    };
    const Case cases[] = {
        {0, QLocale::Turkish, "0 KB"},
        {511, QLocale::Turkish, "0 KB"},
        {512, QLocale::Turkish, "1 KB"},
        {1024 * 999, QLocale::Turkish, "999 KB"},
        {1024 * 1000, QLocale::Turkish, "1.000 KB"},
        {4294967295ull, QLocale::Turkish, "4.194.304 KB"},
        // Beyond 4 GiB the true figure, not a 32-bit one.
        {4294967296ull + 1024 * 1024, QLocale::Turkish, "4.195.328 KB"},
        {16318048ull * 1024, QLocale::Turkish, "16.318.048 KB"},
        {1ull << 40, QLocale::Turkish, "1.073.741.824 KB"},
        {16318048ull * 1024, QLocale::English, "16,318,048 KB"},
        {16318048ull * 1024, QLocale::German, "16.318.048 KB"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FormatMemoryKB(c.bytes, QLocale(c.lang)), QString(c.text)) << c.bytes;
    EXPECT_EQ(FormatMemoryLoad(37), "37 %");
    EXPECT_EQ(FormatMemoryLoad(0), "0 %");
    EXPECT_EQ(FormatMemoryLoad(100), "100 %");
}

TEST(AboutFigures, LinkTargets) {
    struct Case {
        const char *text, *web;
    };
    const Case cases[] = {
        {"www.example.org", "http://www.example.org"},
        {"http://www.example.com", "http://www.example.com"},
        {"HTTP://www.example.com", "http://HTTP://www.example.com"}, // the prefix test is case-sensitive
        {"https://example.com", "http://https://example.com"},
        {"http:/x", "http://http:/x"},
        {"", ""}, // nothing to open
    };
    for (const Case &c : cases)
        EXPECT_EQ(WebLinkTarget(c.text), QString(c.web)) << c.text;
    EXPECT_EQ(MailLinkTarget("kadrolin@example.com"), "mailto:kadrolin@example.com");
    EXPECT_EQ(MailLinkTarget(""), "mailto:");
}

TEST(AboutWindow, LayoutCaptionsAndMemoryFromTheMachine) {
    QLocale::setDefault(QLocale(QLocale::Turkish));
    WorkDir wd;
    wd.CopyShipped("system.ssd");
    TScriptedDialogs dialogs;
    QPointer<TAbout> about = new TAbout(nullptr, kMeminfo16G);
    EXPECT_TRUE(dialogs.Calls().empty());
    EXPECT_EQ(about->windowTitle(), QString::fromUtf8(" Program Hakkında"));
    EXPECT_EQ(about->size(), QSize(223, 254));
    EXPECT_EQ(about->Label7->text(), "16.318.048 KB");
    EXPECT_EQ(about->Label8->text(), "37 %");
    EXPECT_EQ(about->Label5->text(), QString::fromUtf8("Kullanılabilir Bellek :"));
    EXPECT_EQ(about->Label6->text(), QString::fromUtf8("Şu Anda Kullanılan :"));
    EXPECT_EQ(about->Label1->text(), "Kadrolin 1.0");
    EXPECT_EQ(about->Label2->text(), "Kadrolin 1.0");
    EXPECT_EQ(about->ListBox1->geometry(), QRect(3, 94, 217, 69));
    EXPECT_EQ(about->Panel1->geometry(), QRect(5, 169, 213, 37));
    EXPECT_EQ(about->Panel1->palette().color(QPalette::Window), QColor(Qt::black));
    // The captions end before the figures start, and the links stay inside their frame.
    EXPECT_LT(about->Label5->geometry().right(), about->Label7->x());
    EXPECT_LT(about->Label6->geometry().right(), about->Label8->x());
    EXPECT_LE(about->Label7->geometry().right(), about->Panel1->width() - 2);
    for (QLabel *link : {about->Label4, about->Label3, about->Label9})
        EXPECT_LE(link->geometry().right(), about->Bevel1->geometry().right() - 2)
            << link->text().toStdString();
    for (const char *name : {"Bevel1", "Image1", "Label1", "Label2", "Label3", "Label4", "Label9", "ListBox1",
                             "Bevel3", "Panel1", "Label5", "Label6", "Label7", "Label8"})
        EXPECT_NE(about->findChild<QWidget *>(name), nullptr) << name;
    // Credits read from the working directory; the scroller runs on the credits area.
    TJScrollText *s = about->ScrollText();
    ASSERT_NE(s, nullptr);
    EXPECT_GT(s->Lines().size(), 5);
    EXPECT_EQ(s->ClientRect().height(), 65);
    EXPECT_EQ(s->BackColor(), QColor(Qt::black));
    EXPECT_EQ(s->ForeColor(), QColor(0x80, 0x80, 0x80));
    EXPECT_NE(s->TimerId(), 0);
    delete about;
    QLocale::setDefault(QLocale::c());
}

TEST(AboutWindow, OpensCentredOverItsOwner) {
    WorkDir wd;
    wd.CopyShipped("system.ssd");
    QWidget owner;
    owner.setGeometry(281, 127, 672, 337);
    owner.show();
    QPointer<TAbout> about = new TAbout(&owner, kMeminfo16G);
    about->show();
    const QPoint centre = about->geometry().center();
    EXPECT_LE((centre - owner.geometry().center()).manhattanLength(), 40) << centre.x() << "," << centre.y();
    about->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(about.isNull());
}

TEST(AboutWindow, OldKernelMemoryFigures) {
    QLocale::setDefault(QLocale(QLocale::Turkish));
    WorkDir wd;
    wd.CopyShipped("system.ssd");
    TAbout about(nullptr, KADROLIN_FIXTURES "/about/meminfo-old-kernel");
    about.setAttribute(Qt::WA_DeleteOnClose, false);
    EXPECT_EQ(about.Label7->text(), "3.062.400 KB");
    EXPECT_EQ(about.Label8->text(), "60 %");
    QLocale::setDefault(QLocale::c());
}

TEST(AboutWindow, MissingCreditsIsReportedAndTheWindowStillWorks) {
    WorkDir wd;
    TScriptedDialogs dialogs;
    QPointer<TAbout> about = new TAbout(nullptr, kMeminfo16G);
    ASSERT_EQ(dialogs.Calls().size(), 1u);
    EXPECT_EQ(dialogs.Calls()[0].Kind, "Error");
    EXPECT_EQ(dialogs.Calls()[0].Text,
              QString("Cannot open file \"%1\". No such file or directory").arg(wd.Path("system.ssd")));
    ASSERT_NE(about->ScrollText(), nullptr);
    EXPECT_EQ(about->ScrollText()->Extent(), 0);
    EXPECT_NE(about->ScrollText()->TimerId(), 0);
    // The memory panel is black even though setting up stopped at the credits.
    EXPECT_EQ(about->Panel1->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_FALSE(about->Label7->text().isEmpty());
    about->show();
    for (int i = 0; i < 200; ++i)
        about->ScrollText()->Step();
    QImage img = about->ListBox1->viewport()->grab().toImage();
    for (int y = 0; y < img.height(); y += 7)
        for (int x = 0; x < img.width(); x += 7)
            ASSERT_EQ(img.pixelColor(x, y), QColor(Qt::black));
    about->close();
    DeleteLater();
    EXPECT_TRUE(about.isNull());
}

TEST(AboutWindow, LinksOpenOnAnyMouseButton) {
    WorkDir wd;
    wd.CopyShipped("system.ssd");
    TShellRecorder shell;
    TAbout about(nullptr, kMeminfo16G);
    about.setAttribute(Qt::WA_DeleteOnClose, false);
    about.show();
    struct Case {
        QLabel *label;
        const char *text;
        Qt::MouseButton button;
        const char *opened; // nullptr: nothing
    };
    const Case cases[] = {
        {about.Label4, "http://www.example.com", Qt::LeftButton, "http://www.example.com"},
        {about.Label3, "www.example.org", Qt::RightButton, "http://www.example.org"},
        {about.Label4, "HTTP://example.com", Qt::MiddleButton, "http://HTTP://example.com"},
        {about.Label3, "", Qt::LeftButton, nullptr},
        {about.Label9, "kadrolin@example.com", Qt::LeftButton, "mailto:kadrolin@example.com"},
        {about.Label9, "", Qt::RightButton, "mailto:"},
    };
    for (const Case &c : cases) {
        size_t before = shell.Targets().size();
        c.label->setText(c.text);
        c.label->resize(40, 14);
        QTest::mousePress(c.label, c.button, {}, QPoint(3, 3));
        QTest::mouseRelease(c.label, c.button, {}, QPoint(3, 3));
        if (c.opened) {
            ASSERT_EQ(shell.Targets().size(), before + 1) << c.text;
            EXPECT_EQ(shell.Targets().back(), QString(c.opened));
        } else {
            EXPECT_EQ(shell.Targets().size(), before) << c.text;
        }
    }
    // The shipped labels are what the window shows and opens.
    EXPECT_EQ(about.Label4->objectName(), "Label4");
}

TEST(AboutWindow, FreedWhenClosedScrollerFirst) {
    WorkDir wd;
    wd.CopyShipped("system.ssd");
    QWidget owner;
    TScriptedDialogs dialogs;
    dialogs.AnswerWith([](const TDialogCall &call) {
        // The modal window is really there, running, when the dialog service is asked.
        auto *about = qobject_cast<TAbout *>(call.Dialog);
        EXPECT_NE(about, nullptr);
        if (about) {
            EXPECT_NE(about->ScrollText()->TimerId(), 0);
        }
        return int(mrCancel);
    });
    for (int i = 0; i < 2; ++i)
        ShowAboutWindow(&owner);
    ASSERT_EQ(dialogs.Calls().size(), 2u);
    EXPECT_EQ(dialogs.Calls()[0].Kind, "Modal");
    EXPECT_EQ(dialogs.Calls()[0].Caption, QString::fromUtf8(" Program Hakkında"));
    EXPECT_NE(dialogs.Calls()[0].Dialog, dialogs.Calls()[1].Dialog);
    DeleteLater();
    EXPECT_TRUE(owner.findChildren<TAbout *>().isEmpty());

    // Closed by the user (close box): gone after the event loop turns.
    QPointer<TAbout> about = new TAbout(&owner, kMeminfo16G);
    about->show();
    QListWidget *box = about->ListBox1;
    QPointer<QWidget> viewport = box->viewport();
    about->close();
    DeleteLater();
    EXPECT_TRUE(about.isNull());
    EXPECT_TRUE(viewport.isNull());
}

TEST(ShippedCredits, FitTheAreaAndUseOnlyReservedAddresses) {
    QFile f(KADROLIN_SOURCE_DIR "/data/system.ssd");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QListWidget box;
    box.resize(217, 69);
    TJScrollText s(&box);
    s.LoadFromBytes(bytes);
    ASSERT_GE(s.Lines().size(), 10);
    // Code page 1254 on disk: Turkish letters are single bytes.
    EXPECT_TRUE(QString(s.Lines().join("")).contains(QString::fromUtf8("ı")));
    EXPECT_FALSE(bytes.contains("\xC4\xB1")); // not UTF-8
    // Every line fits beside the 5-pixel margin of the 213-pixel area.
    const QFontMetrics fm(TJScrollText::TextFont());
    for (const QString &line : s.Lines())
        EXPECT_LE(fm.horizontalAdvance(line), s.ClientRect().width() - TJScrollText::kLeftMargin)
            << line.toStdString();
    const QRegularExpression address(R"(([\w.-]+@[\w.-]+|www\.[\w.-]+|https?://\S+))");
    for (const QString &line : s.Lines()) {
        auto it = address.globalMatch(line);
        while (it.hasNext()) {
            QString a = it.next().captured(1);
            EXPECT_TRUE(a.endsWith("example.com") || a.endsWith("example.org")) << a.toStdString();
        }
    }
}

} // namespace

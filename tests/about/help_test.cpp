#include "about/helpwindow.h"
#include "platform/widgets/dialogs.h"
#include "platform/widgets/rtfreader.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace {

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

  private:
    QString FOld;
    QTemporaryDir FDir;
};

QByteArray Shipped(const char *name) {
    QFile f(QStringLiteral(KADROLIN_SOURCE_DIR "/data/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const char *const kLoadFailed = "Yardım dosyası (help.rtf) yüklenemedi...";

TEST(HelpWindow, ShowsTheShippedHelpReadOnly) {
    WorkDir wd;
    wd.Write("help.rtf", Shipped("help.rtf"));
    TScriptedDialogs dialogs;
    QPointer<TForm3> help = new TForm3;
    EXPECT_TRUE(dialogs.Calls().empty());
    EXPECT_EQ(help->windowTitle(), QString::fromUtf8(" Yardım"));
    EXPECT_EQ(help->objectName(), "Form3");
    EXPECT_EQ(help->Panel1->size(), QSize(533, 288));
    EXPECT_EQ(help->Yazi->size(), QSize(533, 288));
    EXPECT_EQ(help->pos(), QPoint(276, 175));
    EXPECT_TRUE(help->Yazi->isReadOnly());
    EXPECT_FALSE(help->Yazi->tabChangesFocus());
    EXPECT_EQ(help->Yazi->palette().color(QPalette::Base), QColor(0xA6, 0xCA, 0xF0));
    const QString text = help->Yazi->toPlainText();
    EXPECT_TRUE(text.startsWith(QString::fromUtf8("Kadrolin 1.0 Yardım"))) << text.left(40).toStdString();

    // Typing changes nothing; the text scrolls vertically.
    help->show();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, "x");
    QApplication::sendEvent(help->Yazi, &key);
    EXPECT_EQ(help->Yazi->toPlainText(), text);
    EXPECT_GT(help->Yazi->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(help->Yazi->horizontalScrollBar()->maximum(), 0);
    help->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(help.isNull());
}

TEST(HelpWindow, ShippedHelpIsCleanTurkishRtf) {
    QTextDocument doc;
    TRtfReadStats st = ReadRtf(Shipped("help.rtf"), &doc);
    EXPECT_EQ(st.UnclosedGroups, 0);
    EXPECT_FALSE(st.DepthLimited);
    const QString text = doc.toPlainText();
    EXPECT_GE(doc.blockCount(), 30);
    for (const char *letter : {"ı", "ğ", "ü", "ş", "ö", "ç", "İ", "Ş", "Ç", "Ö", "Ü"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(letter))) << letter;
    for (const char *leak : {"\\", "{", "}", "\uFFFD", "Arial", "Courier"})
        EXPECT_FALSE(text.contains(QString::fromUtf8(leak))) << leak;
    // The commands it explains are named as the program names them.
    for (const char *caption : {"Ekle", "Düzenle", "Kaydet", "Sil", "Yenile", "Telefonları Yazdır ...",
                                "Detaylı Yazdır ...", "Ayarlar ...", "Genel Ayarlar", "Şifre Aktivasyon",
                                "Renkler", "Resim Ekle", "Yapıştır", "Geçersiz şifre.", kLoadFailed})
        EXPECT_TRUE(text.contains(QString::fromUtf8(caption))) << caption;
    // Headings stand out: the title is bold, larger and centred.
    QTextBlock title = doc.firstBlock();
    EXPECT_EQ(title.blockFormat().alignment(), Qt::AlignHCenter);
    QTextCursor c(title);
    c.movePosition(QTextCursor::NextCharacter);
    EXPECT_EQ(c.charFormat().fontWeight(), QFont::Bold);
    EXPECT_GT(c.charFormat().fontPointSize(), 12.0);
    // Its only addresses are reserved example ones.
    EXPECT_FALSE(text.contains("http"));
    EXPECT_TRUE(text.contains("kadrolin@example.com"));
}

TEST(HelpWindow, UnreadableHelpShowsTheMessageThenAnEmptyWindow) {
    struct Case {
        const char *what;
        QByteArray bytes; // written as help.rtf unless what says otherwise
    };
    const Case cases[] = {
        {"missing", {}},
        {"directory", {}},
        {"empty", QByteArray()},
        {"binary", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
        {"plain text", QByteArray("Bu bir RTF degil")},
    };
    for (const Case &c : cases) {
        WorkDir wd;
        const std::string what = c.what;
        if (what == "directory")
            ASSERT_TRUE(QDir(wd.Path("")).mkdir("help.rtf"));
        else if (what != "missing")
            wd.Write("help.rtf", c.bytes);
        TScriptedDialogs dialogs;
        QPointer<TForm3> help = new TForm3;
        ASSERT_EQ(dialogs.Calls().size(), 1u) << c.what;
        EXPECT_EQ(dialogs.Calls()[0].Kind, "Error");
        EXPECT_EQ(dialogs.Calls()[0].Text, QString::fromUtf8(kLoadFailed)) << c.what;
        EXPECT_TRUE(help->Yazi->toPlainText().isEmpty()) << c.what;
        delete help;
    }
}

TEST(HelpWindow, DamagedHelpShowsWhatCouldBeRead) {
    struct Case {
        const char *what;
        QByteArray bytes;
        const char *starts;
    };
    QByteArray deep = "{\\rtf1 Derin ";
    for (int i = 0; i < 50000; ++i)
        deep += '{';
    deep += "kayip";
    QByteArray huge = "{\\rtf1 Uzun ";
    huge.reserve(10 * 1024 * 1024 + 64);
    while (huge.size() < 10 * 1024 * 1024)
        huge += "metin metin metin metin metin metin metin\\par ";
    huge += '}';
    const Case cases[] = {
        {"truncated", "{\\rtf1 Yard\\'fdm {\\b kesik", "Yardım kesik"},
        {"deeply nested", deep, "Derin"},
        {"huge", huge, "Uzun metin"},
    };
    for (const Case &c : cases) {
        WorkDir wd;
        wd.Write("help.rtf", c.bytes);
        TScriptedDialogs dialogs;
        auto *help = new TForm3;
        EXPECT_TRUE(dialogs.Calls().empty()) << c.what;
        EXPECT_TRUE(help->Yazi->toPlainText().startsWith(QString::fromUtf8(c.starts)))
            << c.what << ": " << help->Yazi->toPlainText().left(40).toStdString();
        delete help;
    }
}

TEST(HelpWindow, EveryOpeningIsANewWindowFreedAfterwards) {
    WorkDir wd;
    wd.Write("help.rtf", "{\\rtf1 ilk}");
    QWidget owner;
    TScriptedDialogs dialogs;
    QStringList seen;
    dialogs.AnswerWith([&](const TDialogCall &call) {
        auto *help = qobject_cast<TForm3 *>(call.Dialog);
        EXPECT_NE(help, nullptr);
        if (help) seen << help->Yazi->toPlainText();
        return int(mrCancel);
    });
    ShowHelpWindow(&owner);
    // The file is read again at every opening.
    wd.Write("help.rtf", "{\\rtf1 ikinci}");
    ShowHelpWindow(&owner);
    EXPECT_EQ(seen, QStringList({"ilk", "ikinci"}));
    ASSERT_EQ(dialogs.Calls().size(), 2u);
    EXPECT_EQ(dialogs.Calls()[0].Caption, QString::fromUtf8(" Yardım"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(owner.findChildren<TForm3 *>().isEmpty());
}

} // namespace

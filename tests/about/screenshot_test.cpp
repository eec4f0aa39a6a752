// Pictures of both windows as a person sees them, written where
// KADROLIN_SHOT_DIR points (nothing is written without it).
#include "about/about.h"
#include "about/helpwindow.h"
#include "about/jscrolltext.h"
#include "platform/widgets/dialogs.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(Screenshots, AboutMidScrollAndHelp) {
    const QString out = qEnvironmentVariable("KADROLIN_SHOT_DIR");
    const QString old = QDir::currentPath();
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    for (const char *name : {"system.ssd", "help.rtf"})
        ASSERT_TRUE(QFile::copy(QStringLiteral(KADROLIN_SOURCE_DIR "/data/") + name, dir.filePath(name)));
    TScriptedDialogs dialogs;
    auto *about = new TAbout(nullptr, KADROLIN_FIXTURES "/about/meminfo-16g");
    about->show();
    for (int ticks : {0, 80, 200}) {
        while (ticks-- > 0)
            about->ScrollText()->Step();
        QImage img = about->grab().toImage();
        EXPECT_EQ(img.size(), QSize(223, 254));
        if (!out.isEmpty())
            img.save(QDir(out).filePath(QString("about-%1.png").arg(about->ScrollText()->DrawnPos())));
    }
    delete about;
    auto *help = new TForm3;
    help->show();
    QImage img = help->grab().toImage();
    if (!out.isEmpty()) img.save(QDir(out).filePath("help.png"));
    delete help;
    QDir::setCurrent(old);
    EXPECT_TRUE(dialogs.Calls().empty());
}

} // namespace

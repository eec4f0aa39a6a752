#pragma once
// A stand-in main window that carries the designed component names the
// appearance settings reach, plus a temporary directory per test.
#include "mainwindow/srdbgrid.h"
#include "platform/widgets/application.h"
#include "platform/widgets/tabset.h"
#include "platform/widgets/tcolor.h"
#include "settings/appearance.h"
#include "settings/mainformview.h"

#include <QCloseEvent>
#include <QColor>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <stdlib.h>
#include <string>

class TTestPicture : public QLabel {
    Q_OBJECT
    Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
  public:
    using QLabel::QLabel;
    bool Stretch() const { return FStretch; }
    void SetStretch(bool on) {
        FStretch = on;
        ++Redraws;
    }
    int Redraws = 0;

  private:
    bool FStretch = true;
};

// The main window's close: the appearance is written last, and a failure
// keeps the window open.
class TTestMainForm : public QWidget {
  public:
    QString SettingsFile;
    // Stands for the decoder component, which is no widget.
    struct {
        bool GrayScaleOutput = false;
    } JPGCompr;

  protected:
    void closeEvent(QCloseEvent *e) override {
        if (!Application().Guard([&] { SaveAppearance(this, SettingsFile); })) e->ignore();
    }
};

inline TTestMainForm *BuildMainForm() {
    auto *f = new TTestMainForm;
    f->setObjectName("Form1");
    f->resize(672, 337);
    auto add = [f](QWidget *w, const QString &name) {
        w->setParent(f);
        w->setObjectName(name);
        return w;
    };
    // Nested like the real window: pages inside a page stack, the search box in a side panel.
    auto *page = add(new QWidget, "Kisisel");
    for (int i = 1; i <= 37; ++i) {
        if (i == 18) continue;
        auto *e = new QLineEdit(page);
        e->setObjectName(QString("DBEdit%1").arg(i));
    }
    for (int i : {1, 2, 4, 5}) {
        auto *c = new QComboBox(page);
        c->setEditable(true);
        c->setObjectName(QString("DBComboBox%1").arg(i));
    }
    add(new QPlainTextEdit, "Yazi");
    for (int i = 1; i <= 41; ++i)
        (new QLabel(QString("Etiket %1").arg(i), page))->setObjectName(QString("Label%1").arg(i));
    auto *panel = add(new QWidget, "Panel3");
    (new QLineEdit(panel))->setObjectName("Edit1");
    auto *grid = new TSrDBGrid(panel);
    grid->setObjectName("DBGrid1");
    auto *tabs = new TTabSet(f);
    tabs->setObjectName("TabSet1");
    tabs->SetTabs({" Kişisel Bilgiler", " Görev / İş Bilgileri "});
    add(new TTestPicture, "Image1");
    BindPictureOptions(f, {[f] { return f->JPGCompr.GrayScaleOutput; },
                           [f](bool on) { f->JPGCompr.GrayScaleOutput = on; },
                           {},
                           {}});
    return f;
}

class TTempDir {
  public:
    TTempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kadrolin-settings-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        FPath = tmpl;
    }
    ~TTempDir() {
        std::error_code ec;
        for (const auto &e : std::filesystem::recursive_directory_iterator(FPath, ec))
            std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        std::filesystem::permissions(FPath, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(FPath, ec);
    }
    TTempDir(const TTempDir &) = delete;
    TTempDir &operator=(const TTempDir &) = delete;

    std::string File(const std::string &name) const { return (FPath / name).string(); }
    QString QFile(const std::string &name) const { return QString::fromStdString(File(name)); }
    QString Ini() const { return QFile("Tarvlon.ini"); }

  private:
    std::filesystem::path FPath;
};

inline void WriteBytes(const QString &path, const std::string &bytes) {
    std::ofstream f(path.toStdString(), std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) throw std::runtime_error("cannot write " + path.toStdString());
}

inline std::string ReadBytes(const QString &path) {
    std::ifstream f(path.toStdString(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline bool FileExists(const QString &path) {
    return std::filesystem::exists(path.toStdString());
}

// What a widget shows, as a plain RGB value.
inline QRgb Shown(const QWidget *w, QPalette::ColorRole role) {
    return w->palette().color(QPalette::Active, role).rgb();
}

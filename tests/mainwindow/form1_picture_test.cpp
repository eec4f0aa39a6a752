// The main window's photo panel over a real register: the control in its
// frame, the commands from the menu, the buttons and a double click, what
// reaches the photo column, and the enabled states the idle handler keeps.
#include "form1_testutil.h"
#include "mainwindow/form1.h"
#include "pictures/jpegbitmap.h"
#include "pictures/pictureclipboard.h"
#include "platform/graphics/qtimage.h"
#include "platform/widgets/application.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <QToolButton>

#include <fstream>

using namespace kadrolin;
using namespace kadrolin::testing;

namespace {

// A small portrait: sky, a face and shoulders, as a photo would have.
QImage Portrait(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(120, 170, 230));
    sky.setColorAt(1, QColor(220, 230, 245));
    p.fillRect(img.rect(), sky);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(40, 60, 120));
    p.drawEllipse(QRectF(w * 0.1, h * 0.65, w * 0.8, h * 0.7));
    p.setBrush(QColor(235, 190, 160));
    p.drawEllipse(QRectF(w * 0.3, h * 0.2, w * 0.4, h * 0.45));
    p.setBrush(QColor(60, 40, 30));
    p.drawChord(QRectF(w * 0.28, h * 0.15, w * 0.44, h * 0.3), 0, 180 * 16);
    return img;
}

std::string Hex(const std::vector<std::uint8_t> &b) {
    static const char *d = "0123456789ABCDEF";
    std::string s;
    for (auto c : b) {
        s += d[c >> 4];
        s += d[c & 15];
    }
    return s;
}

std::vector<std::uint8_t> JPEG(const QImage &img) {
    TJPEGStreamCompressor c;
    TMemoryStream s;
    c.CompressBitmap(ImageToBitmap(img), s);
    return s.Data();
}

class Form1Picture : public ::testing::Test {
  protected:
    void SetUp() override { RegisterJPEGBitmap(); }
    void Open(std::initializer_list<const char *> names) {
        Dir = std::make_unique<TRegisterDir>(names);
        Dir->Exec("UPDATE tarvelion SET A_Resim = X'" + Hex(JPEG(Portrait(90, 120))) +
                  "' WHERE A_Adi = 'Ali'");
        Form = std::make_unique<TForm1>();
        Form->show();
        Application().ProcessIdle();
    }
    void TearDown() override {
        Form.reset();
        Dir.reset();
    }
    std::string Photo(const std::string &name) const {
        return Dir->Scalar(
            "SELECT CASE WHEN A_Resim IS NULL THEN '<null>' ELSE hex(A_Resim) END FROM tarvelion "
            "WHERE A_Adi = " +
            TRegisterDir::Quote(name));
    }
    // What the user does next comes after the application went idle.
    void Idle() { Application().ProcessIdle(); }
    std::string WriteBitmap(const std::string &name, const QImage &img) const {
        TMemoryStream s;
        ImageToBitmap(img).SaveToStream(s);
        std::ofstream(Dir->Path + "/" + name, std::ios::binary)
            .write(reinterpret_cast<const char *>(s.Data().data()),
                   static_cast<std::streamsize>(s.Data().size()));
        return Dir->Path + "/" + name;
    }
    void Select(const std::string &name) {
        Form->ADOQuery1->Locate("A_Adi", name);
        Application().ProcessIdle();
    }

    TDialogScript Script;
    std::unique_ptr<TRegisterDir> Dir;
    std::unique_ptr<TForm1> Form;
};

// Answers the file dialog with a name ("" cancels) and acknowledges errors.
class TFileAnswer {
  public:
    TFileAnswer() {
        Dialogs.AnswerWith([this](const TDialogCall &c) {
            if (c.Kind == "Error") {
                Errors.push_back(c.Text.toStdString());
                return int(mrOk);
            }
            if (c.Kind != "OpenFile") return int(mrNo);
            ++Opened;
            if (FileName.isEmpty()) return int(mrCancel);
            *c.FileName = FileName;
            return int(mrOk);
        });
    }
    TScriptedDialogs Dialogs;
    QString FileName;
    int Opened = 0;
    std::vector<std::string> Errors;
};

} // namespace

TEST_F(Form1Picture, ThePictureControlSitsInItsFrameBoundToThePhotoColumn) {
    Open({"Ali", "Veli"});
    ASSERT_NE(Form->Image1, nullptr);
    EXPECT_EQ(Form->Image1, Form->findChild<TDBJPEGImage *>("Image1"));
    EXPECT_EQ(Form->Image1->parentWidget(), Form->Panel2);
    EXPECT_EQ(Form->Image1->geometry(), Form->Panel2->contentsRect());
    EXPECT_TRUE(Form->Image1->Stretch());
    EXPECT_TRUE(Form->Image1->Center());
    EXPECT_FALSE(Form->Image1->ReadOnly());
    EXPECT_EQ(Form->Image1->DataField(), "A_Resim");
    EXPECT_EQ(Form->Image1->JPEGDecompressor(), &Form->JPGCompr);
    EXPECT_EQ(Form->Image1->JPEGCompressor(), nullptr);
    EXPECT_EQ(Form->Image1->Picture().Width(), 90) << "Ali's photo is shown at start";
    QStringList items;
    for (QAction *a : Form->PopupMenu1->actions())
        items << a->objectName() + "=" + (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(items, (QStringList{"Ekle2=Ekle", "Sil2=Sil", "N2=-", "Kes2=Kes", "Kopyala2=Kopyala",
                                  QString::fromUtf8("Yapistir2=Yapıştır")}));
    EXPECT_EQ(Form->BtnREkle->menu(), Form->PopupMenu1);
}

TEST_F(Form1Picture, AddingAPhotoFromAFileAndStoringWritesAJPEGStream) {
    Open({"Ali", "Veli"});
    Select("Veli");
    ASSERT_EQ(Photo("Veli"), "<null>");
    TFileAnswer answer;
    answer.FileName = QString::fromStdString(WriteBitmap("veli.bmp", Portrait(60, 80)));
    Form->BtnREkle->click();
    EXPECT_EQ(answer.Opened, 1);
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsEdit);
    EXPECT_EQ(Form->Image1->Picture().Width(), 60);
    Application().ProcessIdle();
    EXPECT_TRUE(Form->DataSetPost1->isEnabled());
    Form->BtnKaydet->click();
    const std::string stored = Photo("Veli");
    EXPECT_EQ(stored.substr(0, 4), "FFD8");
    EXPECT_EQ(stored.substr(stored.size() - 4), "FFD9");
    EXPECT_TRUE(answer.Errors.empty());
}

TEST_F(Form1Picture, CancelledDialogAndBadFileChangeNothing) {
    Open({"Ali"});
    const std::string before = Photo("Ali");
    TFileAnswer answer;
    Form->Ekle2->trigger();
    EXPECT_EQ(answer.Opened, 1);
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsBrowse);
    std::ofstream(Dir->Path + "/text.jpg") << "not a picture\n";
    answer.FileName = QString::fromStdString(Dir->Path + "/text.jpg");
    Form->Ekle2->trigger();
    EXPECT_EQ(answer.Errors, std::vector<std::string>{"Geçersiz resim formatı"});
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsBrowse);
    EXPECT_EQ(Form->Image1->Picture().Width(), 90);
    EXPECT_EQ(Photo("Ali"), before);
}

TEST_F(Form1Picture, DoubleClickAnywhereOnThePhotoOpensTheDialog) {
    Open({"Ali", "Veli"});
    TFileAnswer answer;
    for (const char *name : {"Ali", "Veli"}) {
        Select(name);
        QTest::mouseDClick(Form->Image1, Qt::LeftButton, {}, QPoint(2, 2));
        QTest::mouseDClick(Form->Image1, Qt::LeftButton, {},
                           QPoint(Form->Image1->width() - 3, Form->Image1->height() - 3));
    }
    EXPECT_EQ(answer.Opened, 4);
}

TEST_F(Form1Picture, DeleteThenCancelBringsThePhotoBackAndDeleteThenStoreClearsTheColumn) {
    Open({"Ali"});
    Form->BtnRSil->click();
    EXPECT_EQ(Form->Image1->Picture().Graphic(), nullptr);
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsEdit);
    Form->ADOQuery1->Cancel();
    EXPECT_EQ(Form->Image1->Picture().Width(), 90);
    EXPECT_EQ(Photo("Ali").substr(0, 4), "FFD8");
    Idle();
    Form->Sil2->trigger();
    Idle();
    Form->DataSetPost1->trigger();
    EXPECT_EQ(Photo("Ali"), "<null>");
}

TEST_F(Form1Picture, IdleHandlerEnablesTheCommandsThatMakeSense) {
    Open({"Ali", "Veli"});
    struct Case {
        const char *Person;
        bool Clipboard;
        const char *Mail;
    };
    const Case cases[] = {
        {"Veli", false, ""}, {"Veli", true, ""}, {"Ali", false, "a@b.c"}, {"Ali", true, ""}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.Person) + (c.Clipboard ? " clipboard" : "") + c.Mail);
        Select(c.Person);
        if (c.Clipboard) {
            QImage img(4, 4, QImage::Format_RGB32);
            img.fill(Qt::green);
            QApplication::clipboard()->setImage(img);
        } else {
            QApplication::clipboard()->clear();
        }
        auto *mail = qobject_cast<QLineEdit *>(Form->Control("DBEdit9"));
        mail->setText(QString::fromUtf8(c.Mail));
        Application().ProcessIdle();
        const bool photo = std::string(c.Person) == "Ali";
        EXPECT_EQ(Form->Yapistir2->isEnabled(), c.Clipboard);
        EXPECT_EQ(Form->Kopyala2->isEnabled(), photo);
        EXPECT_EQ(Form->Sil2->isEnabled(), photo);
        EXPECT_EQ(Form->Kes2->isEnabled(), photo);
        EXPECT_EQ(Form->BtnRSil->isEnabled(), photo);
        EXPECT_EQ(Form->BtnMail->isEnabled(), *c.Mail != 0);
        EXPECT_TRUE(Form->Ekle2->isEnabled());
        EXPECT_TRUE(Form->BtnREkle->isEnabled());
        Form->ADOQuery1->Cancel();
    }
    // After copying a photo, paste is offered at the next idle moment.
    QApplication::clipboard()->clear();
    Select("Ali");
    EXPECT_FALSE(Form->Yapistir2->isEnabled());
    Form->Kopyala2->trigger();
    Application().ProcessIdle();
    EXPECT_TRUE(Form->Yapistir2->isEnabled());
    Select("Veli");
    Form->Yapistir2->trigger();
    EXPECT_EQ(Form->Image1->Picture().Width(), 90);
    Idle();
    Form->DataSetPost1->trigger();
    EXPECT_EQ(Photo("Veli").substr(0, 4), "FFD8");
}

TEST_F(Form1Picture, FirstPageWithAStretchedAndANaturalSizePhoto) {
    Open({"Ali"});
    const QString dir = qEnvironmentVariable("KADROLIN_SHOTS", QDir::tempPath());
    Form->grab().save(dir + "/form1_photo_stretched.png");
    Form->Image1->SetStretch(false);
    Form->grab().save(dir + "/form1_photo_natural.png");
    // Natural size, centred: the photo's middle row shows the panel at its edges only when narrower.
    const QImage shot = Form->Image1->grab().toImage();
    EXPECT_EQ(Form->Image1->DestRect().size(), QSize(90, 120));
    EXPECT_FALSE(shot.isNull());
}

TEST_F(Form1Picture, RightClickOnThePhotoOpensThePictureMenu) {
    Open({"Ali"});
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), Form->Image1->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(Form->Image1, &event);
    EXPECT_TRUE(Form->PopupMenu1->isVisible());
    Form->PopupMenu1->hide();
}

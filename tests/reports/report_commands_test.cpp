// The print commands over the main window and a real register: what the run
// does to the query, the nested wait, searching and printing while a preview
// is open, a query closed under a running report, and fresh report windows.
#include "mainwindow/form1.h"
#include "platform/report/preview.h"
#include "platform/widgets/application.h"
#include "platform/widgets/dbcontrols.h"
#include "reports/querydata.h"
#include "reports/reportcommands.h"
#include "tests/mainwindow/form1_testutil.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>
#include <poppler/qt6/poppler-qt6.h>

using namespace kadrolin::testing;

namespace {
std::vector<std::string> Names(int n) {
    std::vector<std::string> v;
    for (int i = 1; i <= n; ++i) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "Kişi %03d", i);
        v.push_back(buf);
    }
    return v;
}

class ReportCommands : public ::testing::Test {
  protected:
    void Open(int people) {
        Dir = std::make_unique<TRegisterDir>(std::initializer_list<const char *>{});
        std::string sql = "BEGIN;";
        for (const auto &n : Names(people))
            sql += "INSERT INTO tarvelion (A_Adi, A_EvTel) VALUES (" + TRegisterDir::Quote(n) + ", '0312');";
        Dir->Exec(sql + "COMMIT;");
        Form = std::make_unique<TForm1>();
        Form->show();
        ConnectReportCommands(*Form);
        Safety.setSingleShot(true);
        QObject::connect(&Safety, &QTimer::timeout, [this] {
            TimedOut = true;
            for (QWidget *w : QApplication::topLevelWidgets())
                if (qobject_cast<TQRPreview *>(w)) w->close();
        });
        Safety.start(30000);
    }
    void TearDown() override {
        TQRPreview::OnOpened = nullptr;
        TQRPreview::OnWaiting = nullptr;
        EXPECT_FALSE(TimedOut) << "a preview was left open";
        Form.reset();
        Dir.reset();
    }
    std::string Current() const { return Form->ADOQuery1->FieldByName("A_Adi").AsString(); }

    TDialogScript Script;
    std::unique_ptr<TRegisterDir> Dir;
    std::unique_ptr<TForm1> Form;
    QTimer Safety;
    bool TimedOut = false;
};
} // namespace

TEST_F(ReportCommands, PhoneListLeavesTheQueryOnItsLastRecord) {
    Open(100);
    const size_t before = ReportWindows().size();
    int waited = 0;
    QString pages, caption, panelWhileOpen;
    TQRPreview::OnWaiting = [&](TQRPreview *p) {
        ++waited;
        pages = p->PageText();
        caption = p->windowTitle();
        // The main window stays usable: its query answers while the preview waits.
        panelWhileOpen = Form->PanelText(0);
        const QString keep = qEnvironmentVariable("KADROLIN_KEEP_REPORTS");
        if (!keep.isEmpty()) {
            p->grab().save(keep + QStringLiteral("/phonelist-preview.png"));
            Form->grab().save(keep + QStringLiteral("/form1-after.png"));
        }
        p->close();
    };
    Form->TelYazdr1->trigger();
    EXPECT_EQ(waited, 1);
    EXPECT_EQ(caption, QStringLiteral("Kayıtlı Telefonlar"));
    EXPECT_EQ(pages, QStringLiteral("Page 1 of 3"));
    EXPECT_EQ(Form->ADOQuery1->RecNo(), 100);
    EXPECT_EQ(Current(), "Kişi 100");
    EXPECT_TRUE(Form->PanelText(0).endsWith(QStringLiteral("100 / 100"))) << Form->PanelText(0).toStdString();
    EXPECT_EQ(panelWhileOpen, Form->PanelText(0));
    ASSERT_EQ(ReportWindows().size(), before + 1);
    EXPECT_EQ(Form2, ReportWindows().back());
    EXPECT_EQ(Form2->parent(), &Application());
    EXPECT_TRUE(Script.Errors.empty());
}

TEST_F(ReportCommands, WhatIsPaintedDuringTheRunIsTheRunsCurrentRecord) {
    Open(300);
    // Every paint of the name box or the status bar during the run shows the record the run stands on.
    int paints = 0, wrong = 0;
    struct TWatch : QObject {
        std::function<void(QObject *)> OnPaint;
        bool eventFilter(QObject *o, QEvent *e) override {
            if (e->type() == QEvent::Paint) OnPaint(o);
            return false;
        }
    } watch;
    watch.OnPaint = [&](QObject *o) {
        if (!Form->ADOQuery1->Active() || !Form2 || !Form2->QuickRep1->Running()) return;
        ++paints;
        const int recNo = Form->ADOQuery1->RecNo();
        if (o == Form->DBEdit1 && Form->DBEdit1->text() != QString::fromStdString(Current())) ++wrong;
        if (o == Form->StatusBar1 && !Form->PanelText(0).endsWith(QStringLiteral(" / %1").arg(recNo)))
            ++wrong;
    };
    Form->DBEdit1->installEventFilter(&watch);
    Form->StatusBar1->installEventFilter(&watch);
    // Slow the engine down so that frames pass during the run.
    TQRPreview::OnOpened = [&](TQRPreview *) {
        auto events = Form2->QuickRep1->ProcessEvents;
        Form2->QuickRep1->ProcessEvents = [events] {
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < 1) {
            }
            events();
        };
    };
    TQRPreview::OnWaiting = [&](TQRPreview *p) { p->close(); };
    Form->TelYazdr1->trigger();
    EXPECT_GT(paints, 0);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(Current(), "Kişi 300");
    EXPECT_TRUE(Form->PanelText(0).endsWith(QStringLiteral("300 / 300")));
}

TEST_F(ReportCommands, DetailedReportThroughItsMenuItem) {
    Open(25);
    QString pages;
    TQRPreview::OnWaiting = [&](TQRPreview *p) {
        pages = p->PageText();
        p->LastPage();
        pages += QLatin1Char('|') + p->PageText();
        p->close();
    };
    Form->DetayYazdir1->trigger();
    EXPECT_EQ(pages, QStringLiteral("Page 1 of 3|Page 3 of 3"));
    EXPECT_EQ(Form2->QuickRep2->ReportTitle, QStringLiteral("Kişisel Detaylar"));
    EXPECT_EQ(Form->ADOQuery1->RecNo(), 25);
}

TEST_F(ReportCommands, AChangedRecordIsStoredBeforeTheRun) {
    Open(3);
    Form->ADOQuery1->First();
    Form->ADOQuery1->Edit();
    Form->ADOQuery1->FieldByName("A_EvTel").SetAsString("0216 111");
    TQRPreview::OnWaiting = [&](TQRPreview *p) { p->close(); };
    Form->TelYazdr1->trigger();
    EXPECT_EQ(Dir->Scalar("SELECT A_EvTel FROM tarvelion WHERE A_Adi = 'Kişi 001'"), "0216 111");
    EXPECT_EQ(Form->ADOQuery1->State(), kadrolin::data::dsBrowse);
}

TEST_F(ReportCommands, SearchWhilePreviewingThenPrintPrintsTheNewResult) {
    Open(100);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("printed.pdf"));
    QString pagesAfterSearch;
    TQRPreview::OnWaiting = [&](TQRPreview *p) {
        Form->Edit1->setText(QStringLiteral("Kişi 00")); // nine people
        pagesAfterSearch = p->PageText();
        QPrinter &printer = Form2->QuickRep1->Printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        p->Action(QStringLiteral("Print"))->trigger();
        p->close();
    };
    Form->TelYazdr1->trigger();
    EXPECT_EQ(pagesAfterSearch, QStringLiteral("Page 1 of 3")); // the preview keeps its pages
    auto doc = Poppler::Document::load(file);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->numPages(), 1);
    std::unique_ptr<Poppler::Page> page(doc->page(0));
    const QString text = page->text(QRectF());
    EXPECT_TRUE(text.contains(QStringLiteral("Kişi 009")));
    EXPECT_FALSE(text.contains(QStringLiteral("Kişi 010")));
    EXPECT_EQ(Form->ADOQuery1->RecNo(), 9);
}

TEST_F(ReportCommands, AQueryClosedDuringTheRunEndsItWithTheDataError) {
    Open(200);
    TQRPreview::OnWaiting = [&](TQRPreview *p) {
        ADD_FAILURE() << "the run should have failed";
        p->close();
    };
    int records = 0;
    TQRPreview::OnOpened = [&](TQRPreview *) {
        Form2->QuickRep1->ProcessEvents = [&] {
            if (++records == 50) Form->ADOQuery1->Close();
        };
    };
    Form->TelYazdr1->trigger();
    ASSERT_EQ(Script.Errors.size(), 1u);
    EXPECT_TRUE(Script.Errors[0].contains(QStringLiteral("ADOQuery1"))) << Script.Errors[0].toStdString();
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<TQRPreview *>(w));
}

TEST_F(ReportCommands, EveryCommandStartsFromFreshPrinterSettings) {
    Open(5);
    TQRPreview::OnWaiting = [&](TQRPreview *p) {
        Form2->QuickRep1->Printer().setCopyCount(3);
        p->close();
    };
    Form->TelYazdr1->trigger();
    TForm2 *first = Form2;
    int copies = 0;
    TQRPreview::OnWaiting = [&](TQRPreview *p) {
        copies = Form2->QuickRep1->Printer().copyCount();
        p->close();
    };
    Form->TelYazdr1->trigger();
    EXPECT_NE(Form2, first);
    EXPECT_EQ(copies, 1);
    EXPECT_EQ(first->QuickRep1->Printer().copyCount(), 3); // the earlier window lives on
}

TEST_F(ReportCommands, EmptySearchGivesTheEmptyPage) {
    Open(5);
    Form->Edit1->setText(QStringLiteral("Yok"));
    ASSERT_EQ(Form->ADOQuery1->RecordCount(), 0);
    QString pages;
    TQRPreview::OnWaiting = [&](TQRPreview *p) {
        pages = p->PageText();
        p->close();
    };
    Form->TelYazdr1->trigger();
    EXPECT_EQ(pages, QStringLiteral("Page 1 of 1"));
    EXPECT_TRUE(Script.Errors.empty());
}

TEST_F(ReportCommands, ASecondCommandWhilePreviewingReturnsFirst) {
    Open(20);
    std::vector<std::string> order;
    int calls = 0;
    TQRPreview::OnWaiting = [&](TQRPreview *p) {
        if (++calls == 1) {
            order.push_back("first waiting");
            Form->DetayYazdir1->trigger(); // nested: returns when its own preview closes
            order.push_back("second returned");
        } else {
            order.push_back("second waiting");
            EXPECT_EQ(p->windowTitle(), QStringLiteral("Kişisel Detaylar"));
        }
        p->close();
    };
    Form->TelYazdr1->trigger();
    order.push_back("first returned");
    EXPECT_EQ(order, (std::vector<std::string>{"first waiting", "second waiting", "second returned",
                                               "first returned"}));
    EXPECT_EQ(Form->ADOQuery1->RecNo(), 20);
}

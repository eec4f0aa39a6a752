// The two report definitions laid out over rows in memory: pages, lines and
// blocks per page, and where every element lands, in tenths of a millimetre.
#include "platform/report/dataset.h"
#include "reports/form2.h"
#include "tests/platform/report/recordingcanvas.h"

#include <gtest/gtest.h>

namespace {
const QString kDate = QStringLiteral("09.12.2026");

std::vector<TMemoryDataSet::TRow> People(int n) {
    std::vector<TMemoryDataSet::TRow> rows;
    for (int i = 1; i <= n; ++i)
        rows.push_back({{"A_Adi", "Kişi " + std::to_string(i)},
                        {"A_EvTel", "0312 555 " + std::to_string(1000 + i)},
                        {"A_CepTel", "0532 444 " + std::to_string(1000 + i)},
                        {"F_Tel", "S-" + std::to_string(i)},
                        {"A_Il", "Memur"},
                        {"A_Ilce", "GİH"},
                        {"A_Meslek", "Şef"},
                        {"A_Adres", "Çankaya Ankara"},
                        {"A_Mail", "kisi" + std::to_string(i) + "@ornek.gov.tr"}});
    return rows;
}

struct TRun {
    TMemoryDataSet Data;
    TForm2 Form{&Data};
    TRecordingCanvas Canvas;
    std::vector<int> Progress;
    explicit TRun(int people, bool detailed = false) : Data(People(people)) {
        TQuickRep &rep = Report(detailed);
        rep.DateText = [] { return kDate; };
        rep.ProcessEvents = nullptr;
        rep.OnProgress = [this](int p) { Progress.push_back(p); };
        rep.Run(Canvas);
    }
    TQuickRep &Report(bool detailed) { return detailed ? *Form.QuickRep2 : *Form.QuickRep1; }
};

bool IsName(const TDrawOp &op) {
    return op.Kind == TDrawOp::OpText && op.Text.startsWith(QStringLiteral("Kişi "));
}
bool IsBlackBar(const TDrawOp &op) {
    return op.Kind == TDrawOp::OpFill && op.Color == QColor(Qt::black);
}
} // namespace

TEST(PhoneList, PagesAndLinesPerPage) {
    struct {
        int People;
        std::vector<int> Lines;
    } cases[] = {
        {1, {1}}, {45, {45}}, {46, {45, 1}}, {91, {45, 46}}, {137, {45, 46, 46}}, {138, {45, 46, 46, 1}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.People);
        TRun run(c.People);
        ASSERT_EQ(run.Canvas.Pages.size(), c.Lines.size());
        EXPECT_EQ(run.Form.QuickRep1->PageCount(), int(c.Lines.size()));
        EXPECT_EQ(run.Canvas.Begins, run.Canvas.Ends);
        int person = 1;
        for (size_t p = 0; p < c.Lines.size(); ++p) {
            auto names = run.Canvas.Find(int(p), IsName);
            ASSERT_EQ(int(names.size()), c.Lines[p]) << "page " << p + 1;
            // Lines follow each other 5.8 mm apart from below the heading bar.
            const double first = p == 0 ? 256 : 150;
            for (size_t i = 0; i < names.size(); ++i, ++person) {
                EXPECT_EQ(names[i].Text, QStringLiteral("Kişi %1").arg(person));
                EXPECT_TRUE(Near(names[i].Rect.top(), first + 58 * i + 5.3)) << names[i].Rect.top();
                EXPECT_TRUE(Near(names[i].Rect.left(), 100 + 169.3));
            }
            // The black heading bar on every page: after the title on page 1, at the top margin later.
            auto bars = run.Canvas.Find(int(p), IsBlackBar);
            ASSERT_EQ(bars.size(), 1u);
            EXPECT_TRUE(Near(bars[0].Rect.top(), p == 0 ? 206 : 100));
            EXPECT_TRUE(Near(bars[0].Rect.height(), 50));
            EXPECT_TRUE(Near(bars[0].Rect.left(), 100));
            EXPECT_TRUE(Near(bars[0].Rect.width(), 1899.7));
            // The title only on page 1.
            EXPECT_EQ(run.Canvas.Texts(int(p), QStringLiteral("Kayıtlı Telefonlar")).size(),
                      p == 0 ? 1u : 0u);
        }
        // The query is left on its last record.
        EXPECT_TRUE(run.Data.Eof());
        EXPECT_EQ(run.Data.Position(), size_t(c.People - 1));
    }
}

TEST(PhoneList, PageElementsComeLastOnEveryPage) {
    TRun run(100);
    ASSERT_EQ(run.Canvas.Pages.size(), 3u);
    for (size_t p = 0; p < 3; ++p) {
        const auto &ops = run.Canvas.Pages[p];
        ASSERT_GE(ops.size(), 3u);
        // Page number, "Sayfa :", date: in this order, after every band.
        const TDrawOp &num = ops[ops.size() - 3], &label = ops[ops.size() - 2], &date = ops[ops.size() - 1];
        EXPECT_EQ(num.Text, QString::number(p + 1));
        EXPECT_EQ(label.Text, QStringLiteral("Sayfa :"));
        EXPECT_EQ(date.Text, kDate);
        EXPECT_TRUE(Near(num.Rect.left(), 1862.7));
        EXPECT_TRUE(Near(label.Rect.left(), 1756.8));
        EXPECT_TRUE(Near(date.Rect.left(), 211.7));
        for (const TDrawOp *op : {&num, &label, &date}) {
            EXPECT_TRUE(Near(op->Rect.top(), 2857.5));
            EXPECT_TRUE(Near(op->Rect.height(), 45));
            EXPECT_TRUE(op->Opaque);
            EXPECT_EQ(op->Font.Size, 8);
        }
    }
}

TEST(PhoneList, ElementsAsDesigned) {
    TRun run(1);
    const auto &c = run.Canvas;
    auto one = [&](const QString &text) {
        auto v = c.Texts(0, text);
        EXPECT_EQ(v.size(), 1u) << text.toStdString();
        return v.empty() ? TDrawOp{} : v[0];
    };
    TDrawOp title = one(QStringLiteral("Kayıtlı Telefonlar"));
    EXPECT_TRUE(Near(title.Rect.left(), 100 + 783.2));
    EXPECT_TRUE(Near(title.Rect.top(), 100 + 21.2));
    EXPECT_EQ(title.Font.Size, 12);
    EXPECT_TRUE(title.Font.Bold);
    // The title's date is right-aligned: its right edge stays put whatever its width.
    auto dates = c.Texts(0, kDate);
    ASSERT_EQ(dates.size(), 2u);
    EXPECT_TRUE(Near(dates[0].Rect.right(), 100 + 1817.7));
    EXPECT_TRUE(Near(dates[0].Rect.top(), 100 + 63.5));
    EXPECT_GT(dates[0].Rect.width(), 50);

    struct {
        const char *Text;
        double Left;
    } captions[] = {
        {"Ev Telefonu", 656.2}, {"Cep Telefonu", 994.8}, {"Kurum Sicil No", 1333.5}, {"Adı Soyadı", 169.3}};
    for (const auto &cap : captions) {
        TDrawOp op = one(QString::fromUtf8(cap.Text));
        EXPECT_TRUE(Near(op.Rect.left(), 100 + cap.Left)) << cap.Text;
        EXPECT_TRUE(Near(op.Rect.top(), 206 + 7.9)) << cap.Text;
        EXPECT_FALSE(op.Opaque) << cap.Text;
        EXPECT_EQ(op.Font.Color, QColor(Qt::white)) << cap.Text;
        EXPECT_TRUE(op.Font.Bold);
        EXPECT_EQ(op.Font.Size, 9);
    }
    struct {
        const char *Text;
        double Left;
        bool Bold;
    } values[] = {{"Kişi 1", 169.3, true},
                  {"0312 555 1001", 656.2, false},
                  {"0532 444 1001", 994.8, false},
                  {"S-1", 1333.5, false}};
    for (const auto &v : values) {
        TDrawOp op = one(QString::fromUtf8(v.Text));
        EXPECT_TRUE(Near(op.Rect.left(), 100 + v.Left)) << v.Text;
        EXPECT_TRUE(Near(op.Rect.top(), 256 + 5.3)) << v.Text;
        EXPECT_TRUE(op.Opaque);
        EXPECT_EQ(op.Font.Bold, v.Bold);
        // As wide as the text, never a fixed column.
        EXPECT_TRUE(Near(op.Rect.width(), TextWidth(op.Text, op.Font)));
    }
    // The rule under the line spans the band.
    auto rules = c.Find(0, [](const TDrawOp &op) { return op.Kind == TDrawOp::OpShape; });
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_TRUE(Near(rules[0].Rect, QRectF(100, 256 + 52.9, 1899.7, 2.6)));
}

TEST(PhoneList, EmptyQueryGivesOnePageWithAnEmptyLine) {
    TRun run(0);
    ASSERT_EQ(run.Canvas.Pages.size(), 1u);
    const auto &c = run.Canvas;
    EXPECT_EQ(c.Texts(0, QStringLiteral("Kayıtlı Telefonlar")).size(), 1u);
    EXPECT_TRUE(c.Find(0, IsBlackBar).empty());
    EXPECT_TRUE(c.Texts(0, QStringLiteral("Ev Telefonu")).empty());
    auto rules = c.Find(0, [](const TDrawOp &op) { return op.Kind == TDrawOp::OpShape; });
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_TRUE(Near(rules[0].Rect.top(), 206 + 52.9));
    auto empties = c.Texts(0, QString());
    EXPECT_EQ(empties.size(), 4u);
    EXPECT_EQ(c.Texts(0, QStringLiteral("1")).size(), 1u);
    EXPECT_TRUE(run.Progress.empty());
}

TEST(PhoneList, LongNameIsDrawnWholeAndCoveredByTheHomePhone) {
    TMemoryDataSet data({{{"A_Adi", std::string(60, 'W')}, {"A_EvTel", "1"}}});
    TForm2 form(&data);
    form.QuickRep1->ProcessEvents = nullptr;
    TRecordingCanvas c;
    form.QuickRep1->Run(c);
    int name = c.IndexOf(0, QString(60, QLatin1Char('W')));
    int phone = c.IndexOf(0, QStringLiteral("1"));
    ASSERT_GE(name, 0);
    ASSERT_GT(phone, name);
    const TDrawOp &n = c.Pages[0][name], &p = c.Pages[0][phone];
    EXPECT_GT(n.Rect.right(), p.Rect.left());
    EXPECT_TRUE(Near(n.Rect.width(), TextWidth(n.Text, n.Font)));
    EXPECT_TRUE(p.Opaque);
}

TEST(PhoneList, ProgressFigures) {
    TRun run(7);
    EXPECT_EQ(run.Progress, (std::vector<int>{14, 28, 42, 57, 71, 85, 100}));
}

TEST(DetailReport, PagesAndBlocksPerPage) {
    struct {
        int People;
        std::vector<int> Blocks;
    } cases[] = {{1, {1}}, {12, {12}}, {13, {12, 1}}, {24, {12, 12}}, {25, {12, 12, 1}}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.People);
        TRun run(c.People, true);
        ASSERT_EQ(run.Canvas.Pages.size(), c.Blocks.size());
        for (size_t p = 0; p < c.Blocks.size(); ++p) {
            auto names = run.Canvas.Find(int(p), IsName);
            ASSERT_EQ(int(names.size()), c.Blocks[p]);
            const double first = p == 0 ? 206 : 100;
            for (size_t i = 0; i < names.size(); ++i)
                EXPECT_TRUE(Near(names[i].Rect.top(), first + 220 * i + 21.2));
            EXPECT_EQ(run.Canvas.Texts(int(p), QStringLiteral("Kişisel Detaylar")).size(), p == 0 ? 1u : 0u);
            auto boxes =
                run.Canvas.Find(int(p), [](const TDrawOp &op) { return op.Kind == TDrawOp::OpShape; });
            EXPECT_EQ(int(boxes.size()), 2 * c.Blocks[p]);
            const auto &ops = run.Canvas.Pages[p];
            EXPECT_EQ(ops.back().Text, kDate);
            EXPECT_EQ(ops[ops.size() - 3].Text, QString::number(p + 1));
        }
    }
}

TEST(DetailReport, BlockAsDesigned) {
    TRun run(1, true);
    const auto &c = run.Canvas;
    TDrawOp title = c.Texts(0, QStringLiteral("Kişisel Detaylar")).at(0);
    EXPECT_TRUE(Near(title.Rect.center().x(), 100 + 951.2));
    EXPECT_TRUE(Near(c.Texts(0, kDate).at(0).Rect.right(), 100 + 1796.5));
    auto boxes = c.Find(0, [](const TDrawOp &op) { return op.Kind == TDrawOp::OpShape; });
    ASSERT_EQ(boxes.size(), 2u);
    // The right box first, then the left box over its left edge.
    EXPECT_TRUE(Near(boxes[0].Rect, QRectF(100 + 804.3, 206, 997.5, 214.3)));
    EXPECT_TRUE(Near(boxes[1].Rect, QRectF(100 + 105.8, 206, 701.1, 214.3)));
    struct {
        const char *Text;
        double Left, Top;
        bool Bold;
    } cells[] = {
        {"Adı Soyadı", 148.2, 21.2, true},      {"Kişi 1", 402.2, 21.2, false},
        {"Ev Telefonu", 148.2, 63.5, true},     {"0312 555 1001", 402.2, 63.5, false},
        {"Cep Telefonu", 148.2, 105.8, true},   {"0532 444 1001", 402.2, 105.8, false},
        {"Kurum Sicil No", 148.2, 148.2, true}, {"S-1", 402.2, 148.2, false},
        {"İstihdam T.", 846.7, 21.2, true},     {"Memur", 1058.3, 21.2, false},
        {"Sınıfı", 1291.2, 21.2, true},         {"GİH", 1418.2, 21.2, false},
        {"Unvanı", 846.7, 63.5, true},          {"Şef", 1058.3, 63.5, false},
        {"Ev Adresi", 846.7, 105.8, true},      {"Çankaya Ankara", 1058.3, 105.8, false},
        {"Mail Adresi", 846.7, 148.2, true},    {"kisi1@ornek.gov.tr", 1058.3, 148.2, false},
    };
    for (const auto &cell : cells) {
        auto v = c.Texts(0, QString::fromUtf8(cell.Text));
        ASSERT_EQ(v.size(), 1u) << cell.Text;
        EXPECT_TRUE(Near(v[0].Rect.left(), 100 + cell.Left)) << cell.Text;
        EXPECT_TRUE(Near(v[0].Rect.top(), 206 + cell.Top)) << cell.Text;
        EXPECT_EQ(v[0].Font.Bold, cell.Bold) << cell.Text;
        EXPECT_EQ(v[0].Font.Size, 8);
        EXPECT_TRUE(v[0].Opaque);
    }
    auto colons = c.Texts(0, QStringLiteral(":"));
    EXPECT_EQ(colons.size(), 9u);
    // The class value is drawn last, over a long employment type.
    EXPECT_EQ(c.IndexOf(0, QStringLiteral("GİH")), c.IndexOf(0, QStringLiteral("1")) - 1);
}

TEST(DetailReport, EmptyQueryShowsOneBlockWithoutValues) {
    TRun run(0, true);
    ASSERT_EQ(run.Canvas.Pages.size(), 1u);
    const auto &c = run.Canvas;
    EXPECT_EQ(c.Find(0, [](const TDrawOp &op) { return op.Kind == TDrawOp::OpShape; }).size(), 2u);
    EXPECT_EQ(c.Texts(0, QStringLiteral(":")).size(), 9u);
    EXPECT_EQ(c.Texts(0, QStringLiteral("Mail Adresi")).size(), 1u);
    EXPECT_EQ(c.Texts(0, QString()).size(), 9u);
    EXPECT_EQ(c.Texts(0, QStringLiteral("1")).size(), 1u);
}

TEST(ReportWindow, DefinitionsCarryTheDesignedNames) {
    TMemoryDataSet data;
    TForm2 form(&data);
    EXPECT_EQ(form.objectName(), QStringLiteral("Form2"));
    EXPECT_EQ(form.QuickRep1->objectName(), QStringLiteral("QuickRep1"));
    EXPECT_EQ(form.QuickRep2->objectName(), QStringLiteral("QuickRep2"));
    EXPECT_EQ(form.QuickRep1->ReportTitle, QStringLiteral("Kayıtlı Telefonlar"));
    EXPECT_EQ(form.QuickRep2->ReportTitle, QStringLiteral("Kişisel Detaylar"));
    for (const char *name : {"QRLabel1", "QRSysData6", "QRLabel6", "QRDBText4", "QRShape1", "QRSysData1",
                             "QRLabel5", "QRSysData2"})
        EXPECT_NE(form.QuickRep1->FindElement(QString::fromLatin1(name)), nullptr) << name;
    for (int i = 7; i <= 26; ++i)
        EXPECT_NE(form.QuickRep2->FindElement(QStringLiteral("QRLabel%1").arg(i)), nullptr) << i;
    for (int i = 5; i <= 13; ++i)
        EXPECT_NE(form.QuickRep2->FindElement(QStringLiteral("QRDBText%1").arg(i)), nullptr) << i;
    EXPECT_EQ(form.QuickRep1->FindBand(TQRBandType::Detail)->HeightTenths(), 58);
    EXPECT_EQ(form.QuickRep1->FindBand(TQRBandType::ColumnHeader)->HeightTenths(), 50);
    EXPECT_EQ(form.QuickRep2->FindBand(TQRBandType::Detail)->HeightTenths(), 220);
    EXPECT_EQ(form.QuickRep2->FindBand(TQRBandType::Title)->HeightTenths(), 106);
}

#include "platform/report/pagestore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <poppler/qt6/poppler-qt6.h>

// Both reports over 60 people, saved as PDF: pages, title and text as a reader sees them.
TEST(SavedReports, BothReportsAsPdf) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString keep = qEnvironmentVariable("KADROLIN_KEEP_REPORTS");
    struct {
        bool Detailed;
        int Pages;
        const char *Title;
        const char *File;
    } cases[] = {{false, 2, "Kayıtlı Telefonlar", "phonelist.pdf"},
                 {true, 5, "Kişisel Detaylar", "detailed.pdf"}};
    for (const auto &c : cases) {
        TMemoryDataSet data(People(60));
        TForm2 form(&data);
        TQuickRep &rep = c.Detailed ? *form.QuickRep2 : *form.QuickRep1;
        rep.DateText = [] { return kDate; };
        rep.ProcessEvents = nullptr;
        TPageStore store;
        store.SetTitle(rep.ReportTitle);
        rep.Run(store);
        ASSERT_EQ(store.PageCount(), c.Pages);
        const QString file = dir.filePath(QString::fromLatin1(c.File));
        SaveReportPdf(store, file);
        if (!keep.isEmpty()) {
            QDir().mkpath(keep);
            QFile::remove(keep + QLatin1Char('/') + QString::fromLatin1(c.File));
            QFile::copy(file, keep + QLatin1Char('/') + QString::fromLatin1(c.File));
        }
        std::unique_ptr<Poppler::Document> doc = Poppler::Document::load(file);
        ASSERT_TRUE(doc);
        EXPECT_EQ(doc->numPages(), c.Pages);
        EXPECT_EQ(doc->info(QStringLiteral("Title")), QString::fromUtf8(c.Title));
        std::unique_ptr<Poppler::Page> page(doc->page(0));
        const QSizeF pt = page->pageSizeF();
        EXPECT_NEAR(pt.width(), 595.3, 1);
        EXPECT_NEAR(pt.height(), 841.9, 1);
        const QString text = page->text(QRectF());
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.Title))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Kişi 1"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Sayfa :")));
        EXPECT_TRUE(text.contains(kDate));
    }
}

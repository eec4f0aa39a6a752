// The name list grid over a real item model: colours read back from the
// painted pixels, wheel and keys as a user sends them.
#include "mainwindow/srdbgrid.h"

#include "platform/widgets/dialogs.h"

#include <QApplication>
#include <QIdentityProxyModel>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QColor RowColor(0xD6, 0xDF, 0xF7); // 0x00F7DFD6
const QColor AltColor(0xE3, 0xEA, 0xF9); // 0x00F9EAE3
const QColor White(0xFF, 0xFF, 0xFF);

// Rows as the data layer reports them while a new record is being inserted.
class TInsertingModel : public QIdentityProxyModel {
  public:
    bool Inserting = false;
    QVariant data(const QModelIndex &index, int role) const override {
        if (role == TSrDBGrid::RecNoRole && Inserting) return -1;
        return QIdentityProxyModel::data(index, role);
    }
};

class SrDBGridTest : public testing::Test {
  protected:
    void SetUp() override {
        Window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(Window.get());
        Other = new QLineEdit(Window.get());
        Grid = new TSrDBGrid(Window.get());
        Grid->setFixedSize(164, 233);
        Grid->SetColumns({{"A_Adi", "  Adı Soyadı ", 140}});
        layout->addWidget(Other);
        layout->addWidget(Grid);
        Model.setHorizontalHeaderLabels({"A_Adi", "A_EvTel"});
        Proxy.setSourceModel(&Model);
        Grid->SetDefaultDrawing(false);
    }
    void Fill(int n) {
        for (int i = 0; i < n; ++i)
            Model.appendRow({new QStandardItem(QString("Kişi %1").arg(i + 1)), new QStandardItem("0")});
    }
    void Show() {
        Grid->setModel(&Proxy);
        Window->show();
        QApplication::setActiveWindow(Window.get());
        Other->setFocus();
        QApplication::processEvents();
    }
    QImage Shot() { return Grid->viewport()->grab().toImage(); }
    // The cell's background, sampled right of any text and inside the grid lines.
    QColor Back(int row) {
        const QRect r = Grid->visualRect(Proxy.index(row, 0));
        return Shot().pixelColor(r.right() - 6, r.center().y());
    }
    // Whether the cell's text area holds a pixel close to the colour.
    bool TextIn(int row, const QColor &c) {
        const QImage img = Shot();
        const QRect r = Grid->visualRect(Proxy.index(row, 0));
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x < r.left() + 60; ++x) {
                const QColor p = img.pixelColor(x, y);
                if (std::abs(p.red() - c.red()) < 40 && std::abs(p.green() - c.green()) < 40 &&
                    std::abs(p.blue() - c.blue()) < 40)
                    return true;
            }
        return false;
    }
    void Wheel(int delta, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWheelEvent e(QPointF(20, 20), Grid->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Grid->viewport(), &e);
    }
    void Current(int row) { Grid->setCurrentIndex(Proxy.index(row, 0)); }

    std::unique_ptr<QWidget> Window;
    QLineEdit *Other = nullptr;
    TSrDBGrid *Grid = nullptr;
    QStandardItemModel Model;
    TInsertingModel Proxy;
};

TEST_F(SrDBGridTest, DesignedDefaults) {
    TSrDBGrid g;
    EXPECT_EQ(g.Color(), 16244694);
    EXPECT_EQ(g.ColorAlternative(), 16378595);
    EXPECT_EQ(g.ColorSelect(), 16777215);
    EXPECT_EQ(g.ColorSelectText(), 255);
    EXPECT_EQ(g.MoveByRows(), 1);
    EXPECT_EQ(ColorToQColor(g.ColorSelectText()), QColor(Qt::red));
}

TEST_F(SrDBGridTest, RowColoursFollowRecordNumbers) {
    Fill(4);
    Show();
    Current(1);
    EXPECT_EQ(Back(0), RowColor);
    EXPECT_EQ(Back(1), White);
    EXPECT_EQ(Back(2), RowColor);
    EXPECT_EQ(Back(3), AltColor);
    EXPECT_TRUE(TextIn(1, QColor(Qt::red)));
    if (qEnvironmentVariableIsSet("KADROLIN_SHOTS"))
        Grid->grab().save(qEnvironmentVariable("KADROLIN_SHOTS") + "/grid.png");
    EXPECT_FALSE(TextIn(0, QColor(Qt::red)));
    EXPECT_TRUE(TextIn(0, QColor(Qt::black)));
    // Only the model column named A_Adi is shown, under its title.
    EXPECT_TRUE(Grid->isColumnHidden(1));
    EXPECT_FALSE(Grid->isColumnHidden(0));
    EXPECT_EQ(Grid->columnWidth(0), 140);

    // The white row follows the current record; alternation stays with the records.
    Current(2);
    EXPECT_EQ(Back(1), AltColor);
    EXPECT_EQ(Back(2), White);
    EXPECT_EQ(Back(3), AltColor);

    // With the focus in the grid the current row is still white and red.
    Grid->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(Back(2), White);
    EXPECT_TRUE(TextIn(2, QColor(Qt::red)));

    // The platform's own drawing first changes nothing that shows.
    Grid->SetDefaultDrawing(true);
    EXPECT_EQ(Back(1), AltColor);
    EXPECT_EQ(Back(2), White);

    // Below the last row: the grid's colour.
    const QImage img = Shot();
    EXPECT_EQ(img.pixelColor(20, img.height() - 3), RowColor);
}

TEST_F(SrDBGridTest, NoEvenRowWhileInserting) {
    Fill(4);
    Show();
    Current(0);
    Proxy.Inserting = true;
    Grid->Invalidate();
    EXPECT_EQ(Back(0), White);
    for (int r = 1; r < 4; ++r)
        EXPECT_EQ(Back(r), RowColor) << r;
}

TEST_F(SrDBGridTest, EmptyResultShowsGridColour) {
    Show();
    const QImage img = Shot();
    EXPECT_EQ(img.pixelColor(10, 10), RowColor);
    EXPECT_EQ(img.pixelColor(img.width() / 2, img.height() / 2), RowColor);
    EXPECT_EQ(Grid->CurrentRow(), -1);
    Wheel(-120);
    QTest::keyClick(Grid, Qt::Key_Down);
    EXPECT_EQ(Grid->CurrentRow(), -1);
}

TEST_F(SrDBGridTest, ColourPropertiesRepaint) {
    Fill(4);
    Show();
    Current(0);
    Grid->SetColorAlternative(0x0000FF00);
    EXPECT_EQ(Back(1), QColor(0, 255, 0));
    Grid->SetColor(0x00FF0000);
    EXPECT_EQ(Back(2), QColor(0, 0, 255));
    Grid->SetColorSelect(clBlack);
    Grid->SetColorSelectText(clWhite);
    EXPECT_EQ(Back(0), QColor(0, 0, 0));
    EXPECT_TRUE(TextIn(0, White));
    // The title colour reaches the title row.
    Grid->SetTitleFontColor(clRed);
    const QImage title = Grid->horizontalHeader()->grab().toImage();
    bool red = false;
    for (int y = 0; y < title.height() && !red; ++y)
        for (int x = 0; x < title.width() && !red; ++x) {
            const QColor p = title.pixelColor(x, y);
            red = p.red() > 180 && p.green() < 90 && p.blue() < 90;
        }
    EXPECT_TRUE(red);
}

TEST_F(SrDBGridTest, WheelMovesByNotches) {
    Fill(5);
    Show();
    Current(0);
    const struct {
        int MoveByRows, Delta, Expected;
    } steps[] = {
        {1, -120, 1},               // towards the user: forward
        {1, -60, 1},                // half a notch does nothing yet
        {1, -60, 2},                // the other half completes it
        {2, -120, 4}, {2, -120, 4}, // at the last record a notch moves nothing
        {1, 240, 2},                // two notches away from the user: back two
        {3, 120, 0},                // stops at the first record
        {1, -360, 3},
    };
    for (const auto &s : steps) {
        Grid->SetMoveByRows(s.MoveByRows);
        Wheel(s.Delta);
        EXPECT_EQ(Grid->CurrentRow(), s.Expected) << s.Delta;
    }
    EXPECT_EQ(Model.rowCount(), 5);

    // A handler that takes the step keeps the grid where it is.
    int downs = 0;
    Grid->OnMouseWheelDown = [&](Qt::KeyboardModifiers, QPoint, bool &handled) {
        ++downs;
        handled = true;
    };
    Grid->SetMoveByRows(1);
    Wheel(-240);
    EXPECT_EQ(downs, 2);
    EXPECT_EQ(Grid->CurrentRow(), 3);
    Wheel(120);
    EXPECT_EQ(Grid->CurrentRow(), 2);
}

TEST_F(SrDBGridTest, KeysBrowseRecords) {
    Fill(40);
    Show();
    Grid->setFocus();
    Current(0);
    const int page = Grid->VisibleRowCount();
    ASSERT_GT(page, 3);
    const struct {
        Qt::Key Key;
        Qt::KeyboardModifiers Mods;
        int Expected;
    } keys[] = {
        {Qt::Key_Down, Qt::NoModifier, 1},
        {Qt::Key_Down, Qt::NoModifier, 2},
        {Qt::Key_Up, Qt::NoModifier, 1},
        {Qt::Key_Tab, Qt::NoModifier, 2},
        {Qt::Key_Backtab, Qt::ShiftModifier, 1},
        {Qt::Key_PageDown, Qt::NoModifier, 1 + page},
        {Qt::Key_PageUp, Qt::NoModifier, 1},
        {Qt::Key_End, Qt::NoModifier, 39},
        {Qt::Key_Down, Qt::NoModifier, 39},
        {Qt::Key_Tab, Qt::NoModifier, 39},
        {Qt::Key_Home, Qt::NoModifier, 0},
        {Qt::Key_Up, Qt::NoModifier, 0},
        {Qt::Key_End, Qt::ControlModifier, 39},
        {Qt::Key_Home, Qt::ControlModifier, 0},
        {Qt::Key_Down, Qt::ControlModifier, page - 1},
        {Qt::Key_Up, Qt::ControlModifier, 0},
        {Qt::Key_PageDown, Qt::ControlModifier, page - 1},
        {Qt::Key_Right, Qt::NoModifier, page - 1},
        {Qt::Key_K, Qt::NoModifier, page - 1}, // letters do not search
        {Qt::Key_F2, Qt::NoModifier, page - 1},
        {Qt::Key_Insert, Qt::NoModifier, page - 1},
    };
    for (const auto &k : keys) {
        QTest::keyClick(Grid, k.Key, k.Mods);
        EXPECT_EQ(Grid->CurrentRow(), k.Expected) << QKeySequence(k.Key | k.Mods).toString().toStdString();
        EXPECT_TRUE(Grid->hasFocus());
    }
    EXPECT_EQ(Model.rowCount(), 40);
    EXPECT_EQ(Grid->indexWidget(Proxy.index(Grid->CurrentRow(), 0)), nullptr); // no editor opened
}

TEST_F(SrDBGridTest, CtrlDeleteAsksTheGridsQuestion) {
    Fill(3);
    Show();
    Grid->setFocus();
    Current(1);
    TScriptedDialogs dialogs;
    dialogs.Answer(mrCancel);
    QTest::keyClick(Grid, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(dialogs.Calls().size(), 1u);
    EXPECT_EQ(dialogs.Calls()[0].Text, "Delete record?");
    EXPECT_EQ(dialogs.Calls()[0].Caption, "Confirm");
    EXPECT_EQ(dialogs.Calls()[0].Type, mtConfirmation);
    EXPECT_EQ(dialogs.Calls()[0].Buttons, mbOK | mbCancel);
    EXPECT_EQ(Model.rowCount(), 3);

    dialogs.Answer(mrOk);
    QTest::keyClick(Grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Model.rowCount(), 2);
    EXPECT_EQ(Model.item(0)->text(), "Kişi 1");
    EXPECT_EQ(Model.item(1)->text(), "Kişi 3");

    // Delete alone does nothing; a read-only result and an empty one ask nothing.
    QTest::keyClick(Grid, Qt::Key_Delete);
    EXPECT_EQ(Model.rowCount(), 2);
    Grid->CanModify = [] { return false; };
    QTest::keyClick(Grid, Qt::Key_Delete, Qt::ControlModifier);
    Grid->CanModify = nullptr;
    Model.removeRows(0, 2);
    QTest::keyClick(Grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(dialogs.Calls().size(), 2u);

    // The data layer's own delete runs when the grid is bound to one.
    Fill(2);
    Current(0);
    int deletes = 0, cancels = 0;
    Grid->OnDeleteRecord = [&] { ++deletes; };
    Grid->OnCancelRecord = [&] { ++cancels; };
    dialogs.Answer(mrOk);
    QTest::keyClick(Grid, Qt::Key_Delete, Qt::ControlModifier);
    QTest::keyClick(Grid, Qt::Key_Escape);
    EXPECT_EQ(deletes, 1);
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(Model.rowCount(), 2);
    EXPECT_EQ(dialogs.Unanswered(), 0);
}

// A result of many rows that counts what the grid asks of it.
class TCountingModel : public QAbstractTableModel {
  public:
    int Rows = 100000;
    mutable long long DataCalls = 0;
    int rowCount(const QModelIndex &p = {}) const override { return p.isValid() ? 0 : Rows; }
    int columnCount(const QModelIndex &p = {}) const override { return p.isValid() ? 0 : 1; }
    QVariant data(const QModelIndex &i, int role) const override {
        ++DataCalls;
        return role == Qt::DisplayRole ? QVariant(QString("Kişi %1").arg(i.row())) : QVariant();
    }
    QVariant headerData(int, Qt::Orientation o, int role) const override {
        return o == Qt::Horizontal && role == Qt::DisplayRole ? QVariant("A_Adi") : QVariant();
    }
};

TEST_F(SrDBGridTest, LargeResultReadsOnlyVisibleRows) {
    TCountingModel big;
    Grid->setModel(&big);
    Window->show();
    (void)Grid->viewport()->grab();
    EXPECT_LT(big.DataCalls, 2000);
    QTest::keyClick(Grid, Qt::Key_End);
    EXPECT_EQ(Grid->CurrentRow(), 99999);
    big.DataCalls = 0;
    (void)Grid->viewport()->grab();
    EXPECT_LT(big.DataCalls, 2000);
    Grid->setModel(nullptr);
}

} // namespace

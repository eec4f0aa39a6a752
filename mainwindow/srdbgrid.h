#pragma once
// The name list grid: a data grid whose rows are drawn in three colours of
// its own (alternate records, the current record's background and text),
// moved by the mouse wheel a set number of records per notch, and driven by
// the keys of a record browser rather than a spreadsheet.
//
// Bound to a data source it shows the query's rows and moves, deletes and
// cancels through the query. It also works over any other item model whose
// rows are records (the current index is the current record): a row's record
// number then comes from the model's RecNoRole when the model answers it,
// otherwise it is the row's position + 1.
#include "platform/widgets/dbcontrols.h"
#include "platform/widgets/tcolor.h"

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>
#include <vector>

class TSrDBGrid;

struct TSrDBGridColumn {
    QString FieldName; // the model column whose header text is this name
    QString Title;
    int Width = 64;
};

class TSrDBGrid : public TDBGrid {
    Q_OBJECT
  public:
    static constexpr int RecNoRole = Qt::UserRole + 0x5352;

    explicit TSrDBGrid(QWidget *parent = nullptr);

    // The three colours of the rows and the grid's own background.
    TColor Color() const { return FColor; }
    void SetColor(TColor c);
    TColor ColorAlternative() const { return FColorAlternative; }
    void SetColorAlternative(TColor c);
    TColor ColorSelect() const { return FColorSelect; }
    void SetColorSelect(TColor c);
    TColor ColorSelectText() const { return FColorSelectText; }
    void SetColorSelectText(TColor c);
    // Records moved by one notch of the wheel.
    int MoveByRows() const { return FMoveByRows; }
    void SetMoveByRows(int rows) { FMoveByRows = rows; }
    // The platform's own cell drawing before the grid's; off in the main window.
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool on);
    TColor TitleFontColor() const { return FTitleFontColor; }
    void SetTitleFontColor(TColor c);

    // The shown columns (by field name); every other model column is hidden.
    void SetColumns(const std::vector<TSrDBGridColumn> &columns);
    // The query behind the rows when the grid is bound to a data source.
    kadrolin::data::TQuery *Query() const;
    const std::vector<TSrDBGridColumn> &Columns() const { return FColumns; }
    int RowHeight() const;

    void setModel(QAbstractItemModel *model) override;

    int RecordNumber(int row) const;
    int CurrentRow() const;
    // Moves the current record by distance rows, stopping at the ends.
    // Returns whether it moved.
    bool MoveBy(int distance);
    int VisibleRowCount() const;

    // Wheel step events: set Handled to keep the grid from moving.
    std::function<void(Qt::KeyboardModifiers Shift, QPoint MousePos, bool &Handled)> OnMouseWheelDown;
    std::function<void(Qt::KeyboardModifiers Shift, QPoint MousePos, bool &Handled)> OnMouseWheelUp;

    // Hooks to the data behind the rows. Without them the grid works on the
    // model alone: any non-empty model can delete a row, Esc does nothing.
    std::function<bool()> CanModify;
    std::function<void()> OnDeleteRecord;
    std::function<void()> OnCancelRecord;
    // The focus leaves the grid (an unchanged new record is dropped then).
    std::function<void()> OnExit;

    // The drawing step of one data cell; public so a host may call it.
    void DrawColumnCell(QPainter *painter, const QStyleOptionViewItem &option,
                        const QModelIndex &index) const;
    // Repaints every row (record numbers may all have changed).
    void Invalidate();

  signals:
    void Wheeled(bool down, bool moved);

  protected:
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void focusOutEvent(QFocusEvent *event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void changeEvent(QEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

  private:
    void ApplyColumns();
    void ApplyColors();
    bool DoMouseWheel(bool down, Qt::KeyboardModifiers shift, QPoint pos);
    void DeleteWithConfirmation();
    int ShownColumn() const;

    TColor FColor = 0x00F7DFD6;
    TColor FColorAlternative = 0x00F9EAE3;
    TColor FColorSelect = clWhite;
    TColor FColorSelectText = clRed;
    TColor FTitleFontColor = clWindowText;
    int FMoveByRows = 1;
    bool FDefaultDrawing = true;
    int FWheelAccumulator = 0;
    std::vector<TSrDBGridColumn> FColumns;
    std::vector<QMetaObject::Connection> FModelConnections;
};

class TSrDBGridDelegate : public QStyledItemDelegate {
  public:
    explicit TSrDBGridDelegate(TSrDBGrid *grid);
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

  private:
    TSrDBGrid *FGrid;
};

// The title row shows the grid's column titles, not the model's header texts.
class TSrDBGridHeader : public QHeaderView {
  public:
    explicit TSrDBGridHeader(TSrDBGrid *grid);

  protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;

  private:
    TSrDBGrid *FGrid;
};

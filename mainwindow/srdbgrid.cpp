#include "mainwindow/srdbgrid.h"

#include "platform/widgets/application.h"
#include "platform/widgets/dialogs.h"

#include <QKeyEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

namespace {
constexpr int WheelDelta = 120; // rotation units of one notch
}

TSrDBGrid::TSrDBGrid(QWidget *parent) : TDBGrid(parent) {
    setHorizontalHeader(new TSrDBGridHeader(this));
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setStretchLastSection(false);
    // No record indicator column; every row the same height, so a large
    // result costs nothing until its rows are shown.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setItemDelegate(new TSrDBGridDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(true);
    setShowGrid(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setFocusPolicy(Qt::StrongFocus);
    ApplyColors();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(RowHeight());
    horizontalHeader()->setFixedHeight(RowHeight() + 1);
}

int TSrDBGrid::RowHeight() const {
    return fontMetrics().height() + 4;
}

void TSrDBGrid::changeEvent(QEvent *event) {
    if (event->type() == QEvent::FontChange) {
        verticalHeader()->setDefaultSectionSize(RowHeight());
        horizontalHeader()->setFixedHeight(RowHeight() + 1);
    }
    if (event->type() == QEvent::EnabledChange) viewport()->update();
    TDBGrid::changeEvent(event);
}

void TSrDBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous) {
    // Over its own model the base grid moves the query; over any other model
    // the current index is all there is.
    if (model() == GridModel())
        TDBGrid::currentChanged(current, previous);
    else
        QTableView::currentChanged(current, previous);
}

void TSrDBGrid::ApplyColors() {
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Base, ColorToQColor(FColor));
    viewport()->setPalette(pal);
    viewport()->setAutoFillBackground(true);
    QPalette hp = horizontalHeader()->palette();
    hp.setColor(QPalette::ButtonText, ColorToQColor(FTitleFontColor));
    hp.setColor(QPalette::WindowText, ColorToQColor(FTitleFontColor));
    horizontalHeader()->setPalette(hp);
    viewport()->update();
    horizontalHeader()->viewport()->update();
}

void TSrDBGrid::SetColor(TColor c) {
    if (c == FColor) return;
    FColor = c;
    ApplyColors();
}

void TSrDBGrid::SetColorAlternative(TColor c) {
    if (c == FColorAlternative) return;
    FColorAlternative = c;
    ApplyColors();
}

void TSrDBGrid::SetColorSelect(TColor c) {
    if (c == FColorSelect) return;
    FColorSelect = c;
    ApplyColors();
}

void TSrDBGrid::SetColorSelectText(TColor c) {
    if (c == FColorSelectText) return;
    FColorSelectText = c;
    ApplyColors();
}

void TSrDBGrid::SetTitleFontColor(TColor c) {
    if (c == FTitleFontColor) return;
    FTitleFontColor = c;
    ApplyColors();
}

void TSrDBGrid::SetDefaultDrawing(bool on) {
    if (on == FDefaultDrawing) return;
    FDefaultDrawing = on;
    viewport()->update();
}

void TSrDBGrid::SetColumns(const std::vector<TSrDBGridColumn> &columns) {
    FColumns = columns;
    QList<TDBGridModel::TColumn> bound;
    for (const auto &c : columns)
        bound.push_back({c.FieldName, c.Title, c.Width});
    TDBGrid::SetColumns(bound);
    ApplyColumns();
}

kadrolin::data::TQuery *TSrDBGrid::Query() const {
    if (model() != GridModel() || !DataSource()) return nullptr;
    kadrolin::data::TQuery *q = DataSource()->DataSet();
    return q && q->Active() ? q : nullptr;
}

void TSrDBGrid::setModel(QAbstractItemModel *m) {
    for (const auto &c : FModelConnections)
        disconnect(c);
    FModelConnections.clear();
    TDBGrid::setModel(m);
    if (m) {
        FModelConnections = {
            connect(m, &QAbstractItemModel::headerDataChanged, this, &TSrDBGrid::ApplyColumns),
            connect(m, &QAbstractItemModel::columnsInserted, this, &TSrDBGrid::ApplyColumns),
            connect(m, &QAbstractItemModel::columnsRemoved, this, &TSrDBGrid::ApplyColumns),
            connect(m, &QAbstractItemModel::modelReset, this, &TSrDBGrid::ApplyColumns)};
    }
    ApplyColumns();
}

void TSrDBGrid::ApplyColumns() {
    QAbstractItemModel *m = model();
    // The grid's own model holds just the named columns, already titled.
    if (!m || m == GridModel()) return;
    const int n = m->columnCount();
    for (int c = 0; c < n; ++c) {
        if (FColumns.empty()) {
            setColumnHidden(c, false);
            continue;
        }
        const QString field = m->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        auto it = std::find_if(FColumns.begin(), FColumns.end(),
                               [&](const TSrDBGridColumn &col) { return col.FieldName == field; });
        setColumnHidden(c, it == FColumns.end());
        if (it != FColumns.end()) setColumnWidth(c, it->Width);
    }
    // The first record is current when a result opens, as in the data layer.
    if (!currentIndex().isValid() && m->rowCount() > 0 && ShownColumn() >= 0)
        setCurrentIndex(m->index(0, ShownColumn()));
}

int TSrDBGrid::ShownColumn() const {
    if (!model()) return -1;
    for (int c = 0; c < model()->columnCount(); ++c)
        if (!isColumnHidden(c)) return c;
    return -1;
}

int TSrDBGrid::RecordNumber(int row) const {
    if (!model()) return -1;
    if (model() == GridModel()) return GridModel()->RecordNumber(row);
    const QVariant v = model()->index(row, 0).data(RecNoRole);
    if (v.isValid()) return v.toInt();
    return row + 1;
}

int TSrDBGrid::CurrentRow() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() : -1;
}

int TSrDBGrid::VisibleRowCount() const {
    const int h = verticalHeader()->defaultSectionSize();
    return std::max(1, h > 0 ? viewport()->height() / h : 1);
}

bool TSrDBGrid::MoveBy(int distance) {
    if (kadrolin::data::TQuery *q = Query()) {
        if (q->IsEmpty()) return false;
        const int before = q->CurrentIndex();
        q->MoveBy(distance);
        return q->CurrentIndex() != before;
    }
    QAbstractItemModel *m = model();
    if (!m || m->rowCount() == 0 || ShownColumn() < 0) return false;
    const int from = CurrentRow();
    const long long wanted = static_cast<long long>(std::max(from, 0)) + distance;
    const int to = static_cast<int>(std::clamp<long long>(wanted, 0, m->rowCount() - 1));
    if (to == from) return false;
    setCurrentIndex(m->index(to, ShownColumn()));
    return CurrentRow() == to;
}

QModelIndex TSrDBGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    QAbstractItemModel *m = model();
    const int col = ShownColumn();
    if (!m || m->rowCount() == 0 || col < 0) return {};
    const int rows = m->rowCount();
    const int cur = std::max(CurrentRow(), 0);
    const bool ctrl = modifiers & Qt::ControlModifier;
    const int top = std::max(rowAt(0), 0);
    const int bottom = std::min(top + VisibleRowCount() - 1, rows - 1);
    long long to = cur;
    switch (action) {
    case MoveUp:
        to = ctrl ? top : cur - 1;
        break;
    case MoveDown:
        to = ctrl ? bottom : cur + 1;
        break;
    case MovePageUp:
        to = ctrl ? top : static_cast<long long>(cur) - VisibleRowCount();
        break;
    case MovePageDown:
        to = ctrl ? bottom : static_cast<long long>(cur) + VisibleRowCount();
        break;
    case MoveHome:
        to = 0;
        break;
    case MoveEnd:
        to = rows - 1;
        break;
    case MoveNext:
        to = cur + 1;
        break;
    case MovePrevious:
        to = cur - 1;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    return m->index(static_cast<int>(std::clamp<long long>(to, 0, rows - 1)), col);
}

bool TSrDBGrid::focusNextPrevChild(bool next) {
    // Tab browses the records; the focus never leaves the grid by it, not even at the last record.
    if (tabKeyNavigation() && isEnabled()) {
        QKeyEvent key(QEvent::KeyPress, next ? Qt::Key_Tab : Qt::Key_Backtab,
                      next ? Qt::NoModifier : Qt::ShiftModifier);
        keyPressEvent(&key);
        return true;
    }
    return TDBGrid::focusNextPrevChild(next);
}

void TSrDBGrid::keyPressEvent(QKeyEvent *event) {
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Delete:
        if (mods == Qt::ControlModifier) {
            DeleteWithConfirmation();
            event->accept();
            return;
        }
        break;
    case Qt::Key_Escape:
        Application().Guard([&] {
            if (OnCancelRecord)
                OnCancelRecord();
            else if (kadrolin::data::TQuery *q = Query())
                if (q->State() == kadrolin::data::dsEdit || q->State() == kadrolin::data::dsInsert)
                    q->Cancel();
        });
        event->accept();
        return;
    case Qt::Key_Insert:
    case Qt::Key_F2:
        // Editing in the grid is off.
        event->accept();
        return;
    default:
        break;
    }
    // Letters do not search the list here: the search box beside it does that.
    if (!event->text().isEmpty() && event->text().at(0).isPrint() && !(mods & Qt::ControlModifier)) {
        event->accept();
        return;
    }
    Application().Guard([&] { TDBGrid::keyPressEvent(event); });
}

void TSrDBGrid::focusOutEvent(QFocusEvent *event) {
    TDBGrid::focusOutEvent(event);
    viewport()->update();
    // Only a move to another control leaves the list; switching to another
    // window or opening a menu keeps the focus here as far as the user is concerned.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
    Application().Guard([&] {
        if (OnExit) {
            OnExit();
            return;
        }
        // A new record nobody typed into is dropped when the focus leaves the list.
        kadrolin::data::TQuery *q = Query();
        if (q && q->State() == kadrolin::data::dsInsert && !q->Modified()) q->Cancel();
    });
}

void TSrDBGrid::DeleteWithConfirmation() {
    Application().Guard([&] {
        kadrolin::data::TQuery *q = Query();
        if (q) {
            if (!q->CanModify() || q->IsEmpty()) return;
        } else {
            QAbstractItemModel *m = model();
            if (!m || m->rowCount() == 0 || CurrentRow() < 0) return;
        }
        if (CanModify && !CanModify()) return;
        if (MessageDlg(QStringLiteral("Delete record?"), mtConfirmation, mbOK | mbCancel) == mrCancel) return;
        if (OnDeleteRecord)
            OnDeleteRecord();
        else if (q)
            q->Delete();
        else
            model()->removeRow(CurrentRow());
    });
}

void TSrDBGrid::wheelEvent(QWheelEvent *event) {
    FWheelAccumulator += event->angleDelta().y();
    const QPoint pos = event->position().toPoint();
    // Rotation away from the user is positive: a wheel-up step.
    while (FWheelAccumulator >= WheelDelta) {
        FWheelAccumulator -= WheelDelta;
        DoMouseWheel(false, event->modifiers(), pos);
    }
    while (FWheelAccumulator <= -WheelDelta) {
        FWheelAccumulator += WheelDelta;
        DoMouseWheel(true, event->modifiers(), pos);
    }
    event->accept();
}

bool TSrDBGrid::DoMouseWheel(bool down, Qt::KeyboardModifiers shift, QPoint pos) {
    bool handled = false;
    const auto &handler = down ? OnMouseWheelDown : OnMouseWheelUp;
    if (handler) Application().Guard([&] { handler(shift, pos, handled); });
    if (handled) return true;
    bool moved = false;
    Application().Guard([&] { moved = MoveBy(down ? FMoveByRows : -FMoveByRows); });
    emit Wheeled(down, moved);
    return moved;
}

void TSrDBGrid::Invalidate() {
    viewport()->update();
}

void TSrDBGrid::DrawColumnCell(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const {
    const bool current = index.row() == CurrentRow();
    QColor back = ColorToQColor(FColor);
    QColor text = isEnabled() ? QColor(Qt::black) : ColorToQColor(clGrayText);
    if (current && hasFocus()) {
        back = palette().color(QPalette::Active, QPalette::Highlight);
        text = palette().color(QPalette::Active, QPalette::HighlightedText);
    }
    if (RecordNumber(index.row()) % 2 == 0) back = ColorToQColor(FColorAlternative);
    if (current) {
        back = ColorToQColor(FColorSelect);
        text = ColorToQColor(FColorSelectText);
    }
    painter->save();
    painter->setClipRect(option.rect);
    painter->fillRect(option.rect, back);
    painter->setFont(font());
    painter->setPen(text);
    painter->drawText(option.rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();
}

TSrDBGridDelegate::TSrDBGridDelegate(TSrDBGrid *grid) : QStyledItemDelegate(grid), FGrid(grid) {}

void TSrDBGridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const {
    if (FGrid->DefaultDrawing()) QStyledItemDelegate::paint(painter, option, index);
    FGrid->DrawColumnCell(painter, option, index);
    if (index.row() == FGrid->CurrentRow() && FGrid->hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(FGrid);
        focus.rect = option.rect;
        focus.backgroundColor = ColorToQColor(FGrid->ColorSelect());
        FGrid->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, FGrid);
    }
}

QSize TSrDBGridDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const {
    return {64, FGrid->RowHeight()};
}

TSrDBGridHeader::TSrDBGridHeader(TSrDBGrid *grid) : QHeaderView(Qt::Horizontal, grid), FGrid(grid) {}

void TSrDBGridHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const {
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.rect = rect;
    opt.section = logicalIndex;
    opt.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    opt.text =
        model() ? model()->headerData(logicalIndex, Qt::Horizontal, Qt::DisplayRole).toString() : QString();
    for (const auto &c : FGrid->Columns())
        if (c.FieldName == opt.text) {
            opt.text = c.Title;
            break;
        }
    opt.palette.setColor(QPalette::ButtonText, ColorToQColor(FGrid->TitleFontColor()));
    opt.position = QStyleOptionHeader::Middle;
    opt.sortIndicator = QStyleOptionHeader::None;
    painter->save();
    style()->drawControl(QStyle::CE_Header, &opt, painter, this);
    painter->restore();
}

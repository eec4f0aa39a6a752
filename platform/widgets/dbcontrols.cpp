#include "platform/widgets/dbcontrols.h"

#include "platform/widgets/application.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTextBlock>

using namespace kadrolin::data;

// ---------------------------------------------------------------- key hook

QKeyEvent *TKeyPressFilter::Filter(QWidget *sender, QKeyEvent *event, const TKeyPressEvent &hook) {
    const QString text = event->text();
    if (text.size() != 1 || !text[0].isPrint() ||
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return event;
    QChar key = text[0];
    if (hook) hook(sender, key);
    if (key.isNull()) return nullptr;
    if (key == text[0]) return event;
    FReplacement = std::make_unique<QKeyEvent>(event->type(), event->key(), event->modifiers(), QString(key),
                                               event->isAutoRepeat(), event->count());
    return FReplacement.get();
}

TEdit::TEdit(QWidget *parent) : QLineEdit(parent) {}

void TEdit::KeyPress(QChar &key) {
    if (OnKeyPress) OnKeyPress(this, key);
}

void TEdit::keyPressEvent(QKeyEvent *event) {
    QKeyEvent *e = FFilter.Filter(this, event, [this](QWidget *, QChar &k) { KeyPress(k); });
    if (e)
        QLineEdit::keyPressEvent(e);
    else
        event->accept();
}

void TDBControlLink::StartTyping(const std::function<void()> &show, const std::function<void()> &restore) {
    if (!FDataLink.Editing() || !FDataLink.IsModified()) {
        bool editing = false;
        Application().Guard([&] { editing = FDataLink.Edit(); });
        if (!editing) {
            show();
            return;
        }
        FLoading = true;
        restore();
        FLoading = false;
    }
    FDataLink.Modified();
}

bool TDBControlLink::DropTypedChange(QKeyEvent *event) {
    if (event->key() != Qt::Key_Escape || !FDataLink.IsModified()) return false;
    FDataLink.Reset();
    event->accept();
    return true;
}

void TDBControlLink::RouteKey(QWidget *box, QKeyEvent *event, const std::function<void(QChar &)> &keyPress,
                              const std::function<void(QKeyEvent *)> &inherited) {
    QKeyEvent *e = FFilter.Filter(box, event, [&](QWidget *, QChar &k) { keyPress(k); });
    if (e)
        inherited(e);
    else
        event->accept();
}

namespace {

// Leaving a control writes its pending text into the row, as the classic controls did.
void WritePending(TFieldDataLink &link) {
    if (link.IsModified() && link.Editing()) Application().Guard([&] { link.UpdateRecord(); });
}

} // namespace

// ---------------------------------------------------------------- edit box

TDBEdit::TDBEdit(QWidget *parent) : QLineEdit(parent) {
    FDataLink.OnDataChange = [this] { DataChange(); };
    FDataLink.OnUpdateData = [this] { Field()->SetAsString(text().toStdString()); };
    connect(this, &QLineEdit::textEdited, this, &TDBEdit::TextEdited);
}

void TDBEdit::DataChange() {
    FLoading = true;
    setText(Field() ? QString::fromStdString(Field()->AsString()) : QString());
    FLoading = false;
}

void TDBEdit::TextEdited(const QString &typed) {
    if (FLoading) return;
    const int caret = cursorPosition();
    StartTyping([this] { DataChange(); },
                [&] {
                    setText(typed);
                    setCursorPosition(caret);
                });
}

void TDBEdit::KeyPress(QChar &key) {
    if (OnKeyPress) OnKeyPress(this, key);
}

void TDBEdit::keyPressEvent(QKeyEvent *event) {
    if (DropTypedChange(event)) {
        selectAll();
        return;
    }
    RouteKey(
        this, event, [this](QChar &k) { KeyPress(k); },
        [this](QKeyEvent *e) { QLineEdit::keyPressEvent(e); });
}

void TDBEdit::focusOutEvent(QFocusEvent *event) {
    WritePending(FDataLink);
    QLineEdit::focusOutEvent(event);
}

// ---------------------------------------------------------------- drop-down box

TDBComboBox::TDBComboBox(QWidget *parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    FDataLink.OnDataChange = [this] { DataChange(); };
    FDataLink.OnUpdateData = [this] { Field()->SetAsString(currentText().toStdString()); };
    connect(lineEdit(), &QLineEdit::textEdited, this, &TDBComboBox::TextEdited);
    connect(this, &QComboBox::activated, this, [this](int index) { TextEdited(itemText(index)); });
}

void TDBComboBox::DataChange() {
    FLoading = true;
    setCurrentIndex(-1);
    setEditText(Field() ? QString::fromStdString(Field()->AsString()) : QString());
    FLoading = false;
}

void TDBComboBox::TextEdited(const QString &typed) {
    if (FLoading) return;
    const int caret = lineEdit()->cursorPosition();
    StartTyping([this] { DataChange(); },
                [&] {
                    setEditText(typed);
                    lineEdit()->setCursorPosition(caret);
                });
}

void TDBComboBox::KeyPress(QChar &key) {
    if (OnKeyPress) OnKeyPress(this, key);
}

void TDBComboBox::keyPressEvent(QKeyEvent *event) {
    if (DropTypedChange(event)) return;
    RouteKey(
        this, event, [this](QChar &k) { KeyPress(k); },
        [this](QKeyEvent *e) { QComboBox::keyPressEvent(e); });
}

void TDBComboBox::focusOutEvent(QFocusEvent *event) {
    WritePending(FDataLink);
    QComboBox::focusOutEvent(event);
}

// ---------------------------------------------------------------- note box

TDBMemo::TDBMemo(QWidget *parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FDataLink.OnDataChange = [this] { DataChange(); };
    FDataLink.OnUpdateData = [this] { Field()->SetAsString(toPlainText().toStdString()); };
    connect(this, &QPlainTextEdit::textChanged, this, &TDBMemo::TextChanged);
}

void TDBMemo::DataChange() {
    FLoading = true;
    setPlainText(Field() ? QString::fromStdString(Field()->AsString()) : QString());
    FLoading = false;
}

void TDBMemo::TextChanged() {
    if (FLoading) return;
    const QString typed = toPlainText();
    const int caret = textCursor().position();
    StartTyping([this] { DataChange(); },
                [&] {
                    setPlainText(typed);
                    QTextCursor c = textCursor();
                    c.setPosition(std::min(caret, static_cast<int>(typed.size())));
                    setTextCursor(c);
                });
}

void TDBMemo::KeyPress(QChar &key) {
    if (OnKeyPress) OnKeyPress(this, key);
}

void TDBMemo::keyPressEvent(QKeyEvent *event) {
    if (DropTypedChange(event)) return;
    RouteKey(
        this, event, [this](QChar &k) { KeyPress(k); },
        [this](QKeyEvent *e) { QPlainTextEdit::keyPressEvent(e); });
}

void TDBMemo::focusOutEvent(QFocusEvent *event) {
    WritePending(FDataLink);
    QPlainTextEdit::focusOutEvent(event);
}

// ---------------------------------------------------------------- grid model

TDBGridModel::TDBGridModel(QObject *parent) : QAbstractTableModel(parent) {
    FLink.Model = this;
}

TDBGridModel::~TDBGridModel() {
    blockSignals(true); // the view may already be half destroyed
    FLink.SetDataSource(nullptr);
}

void TDBGridModel::SetDataSource(TDataSource *source) {
    beginResetModel();
    FLink.SetDataSource(source);
    endResetModel();
    emit CurrentChanged();
}

void TDBGridModel::SetColumns(QList<TColumn> columns) {
    beginResetModel();
    FColumns = std::move(columns);
    endResetModel();
}

TQuery *TDBGridModel::Query() const {
    return FLink.Active() ? FLink.DataSet() : nullptr;
}

void TDBGridModel::Reset() {
    beginResetModel();
    endResetModel();
    emit CurrentChanged();
}

void TDBGridModel::RowChanged() {
    int row = CurrentRow();
    if (row >= 0) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int TDBGridModel::rowCount(const QModelIndex &parent) const {
    TQuery *q = Query();
    if (parent.isValid() || !q) return 0;
    return q->RecordCount() + (q->State() == dsInsert ? 1 : 0);
}

int TDBGridModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(FColumns.size());
}

int TDBGridModel::CurrentRow() const {
    TQuery *q = Query();
    return q ? q->CurrentIndex() : -1;
}

int TDBGridModel::RecordNumber(int row) const {
    TQuery *q = Query();
    if (!q || q->State() == dsInsert || q->IsEmpty()) return -1;
    return row + 1;
}

QVariant TDBGridModel::data(const QModelIndex &index, int role) const {
    TQuery *q = Query();
    if (!q || !index.isValid() || index.column() >= FColumns.size()) return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    TField *f = q->FindField(FColumns[index.column()].FieldName.toStdString());
    if (!f) return {};
    int row = index.row();
    if (q->State() == dsInsert) {
        const int at = q->CurrentIndex();
        if (row == at) return QString::fromStdString(f->AsString());
        if (row > at) --row;
    }
    if (row < 0 || row >= q->RecordCount()) return {};
    return QString::fromStdString(const_cast<TQuery *>(q)->TextAt(row, f->Index()));
}

QVariant TDBGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < FColumns.size())
        return FColumns[section].Title;
    return QAbstractTableModel::headerData(section, orientation, role);
}

void TDBGridModel::MoveTo(int row) {
    TQuery *q = Query();
    if (!q || row < 0 || row == CurrentRow()) return;
    if (q->State() == dsInsert && row > q->CurrentIndex()) --row;
    if (row >= q->RecordCount()) return;
    q->GotoKey(q->KeyAt(row));
}

// ---------------------------------------------------------------- grid

TDBGrid::TDBGrid(QWidget *parent) : QTableView(parent), FModel(new TDBGridModel(this)) {
    setModel(FModel);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(17);
    // Fixed rows: a reset over 100,000 people needs no per-row sizes.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    connect(FModel, &TDBGridModel::CurrentChanged, this, &TDBGrid::FollowCurrent);
}

TDBGrid::~TDBGrid() {
    disconnect(FModel, nullptr, this, nullptr);
}

void TDBGrid::SetColumns(QList<TDBGridModel::TColumn> columns) {
    FModel->SetColumns(columns);
    for (int i = 0; i < columns.size(); ++i) {
        setColumnWidth(i, columns[i].Width);
        FModel->setHeaderData(i, Qt::Horizontal, Qt::AlignLeft, Qt::TextAlignmentRole);
    }
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FollowCurrent();
}

void TDBGrid::FollowCurrent() {
    FSyncing = true;
    const int row = FModel->CurrentRow();
    const int col = std::max(0, currentIndex().column());
    if (row >= 0 && FModel->columnCount() > 0) {
        QModelIndex idx = FModel->index(row, col);
        setCurrentIndex(idx);
        scrollTo(idx);
    } else {
        setCurrentIndex({});
    }
    viewport()->update();
    FSyncing = false;
}

void TDBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous) {
    QTableView::currentChanged(current, previous);
    if (FSyncing || !current.isValid()) return;
    Application().Guard([&] { FModel->MoveTo(current.row()); });
    // The record may not have moved (a refused store): the selection shows where it is.
    FollowCurrent();
}

#pragma once
// Data-aware controls: edit box, drop-down box, note box and the name grid,
// each bound to one data source through a data link. Typing into a bound
// control switches the current row into editing through the data source's
// automatic editing; the text reaches the field when the control is left or
// the row is stored.
//
// Every text control offers a key hook that sees each typed character before
// the control inserts it and may replace it (or swallow it with a null
// character), as a window's key handler does.
#include "platform/data/dataset.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>

#include <functional>

using TKeyPressEvent = std::function<void(QWidget *sender, QChar &key)>;

// Runs the hook for a typed character; returns the event the control should
// handle (the original, a replacement, or nullptr when the key was swallowed).
class TKeyPressFilter {
  public:
    QKeyEvent *Filter(QWidget *sender, QKeyEvent *event, const TKeyPressEvent &hook);

  private:
    std::unique_ptr<QKeyEvent> FReplacement;
};

// A plain edit box with the key hook (the search box).
class TEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit TEdit(QWidget *parent = nullptr);
    TKeyPressEvent OnKeyPress;

  protected:
    void keyPressEvent(QKeyEvent *event) override;
    // The hook point: override to see or change every typed character.
    virtual void KeyPress(QChar &key);

  private:
    TKeyPressFilter FFilter;
};

// What the three bound text controls share.
class TDBControlLink {
  public:
    void SetDataSource(kadrolin::data::TDataSource *source) { FDataLink.SetDataSource(source); }
    kadrolin::data::TDataSource *DataSource() const { return FDataLink.DataSource(); }
    void SetDataField(const QString &name) { FDataLink.SetFieldName(name.toStdString()); }
    QString DataField() const { return QString::fromStdString(FDataLink.FieldName()); }
    kadrolin::data::TField *Field() const { return FDataLink.Field(); }
    kadrolin::data::TFieldDataLink &DataLink() { return FDataLink; }
    void SetReadOnly(bool readOnly) { FDataLink.ReadOnly = readOnly; }
    bool ReadOnly() const { return FDataLink.ReadOnly; }

  protected:
    // The first change typed into the box puts the row into editing. Starting
    // the edit reloads the box from the row, so restore puts the typed text
    // back; when the row cannot be edited, show puts the field's value back.
    void StartTyping(const std::function<void()> &show, const std::function<void()> &restore);
    // Esc drops a typed change; true when it did.
    bool DropTypedChange(QKeyEvent *event);
    // Other keys: the key hook sees a typed character before the box does.
    void RouteKey(QWidget *box, QKeyEvent *event, const std::function<void(QChar &)> &keyPress,
                  const std::function<void(QKeyEvent *)> &inherited);

    kadrolin::data::TFieldDataLink FDataLink;
    bool FLoading = false;

  private:
    TKeyPressFilter FFilter;
};

class TDBEdit : public QLineEdit, public TDBControlLink {
    Q_OBJECT
  public:
    explicit TDBEdit(QWidget *parent = nullptr);
    TKeyPressEvent OnKeyPress;

  protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    virtual void KeyPress(QChar &key);

  private:
    void DataChange();
    void TextEdited(const QString &text);
};

// An editable drop-down: offers its values and keeps any typed text unchanged.
class TDBComboBox : public QComboBox, public TDBControlLink {
    Q_OBJECT
  public:
    explicit TDBComboBox(QWidget *parent = nullptr);
    TKeyPressEvent OnKeyPress;

  protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    virtual void KeyPress(QChar &key);

  private:
    void DataChange();
    void TextEdited(const QString &text);
};

// A multi-line note box; the Tab key inserts a tab character.
class TDBMemo : public QPlainTextEdit, public TDBControlLink {
    Q_OBJECT
  public:
    explicit TDBMemo(QWidget *parent = nullptr);
    TKeyPressEvent OnKeyPress;

  protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    virtual void KeyPress(QChar &key);

  private:
    void DataChange();
    void TextChanged();
};

// The rows of the current result, one column per named field. While a new
// row is inserted it appears at its insertion point.
class TDBGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    struct TColumn {
        QString FieldName;
        QString Title;
        int Width = 64;
    };
    explicit TDBGridModel(QObject *parent = nullptr);
    ~TDBGridModel() override;

    void SetDataSource(kadrolin::data::TDataSource *source);
    kadrolin::data::TDataSource *DataSource() const { return FLink.DataSource(); }
    void SetColumns(QList<TColumn> columns);
    const QList<TColumn> &Columns() const { return FColumns; }

    // The model row of the current record (-1: none).
    int CurrentRow() const;
    // The 1-based record number of a row; -1 while the result is empty or a new row is inserted.
    int RecordNumber(int row) const;
    // Makes the record shown in this row current (stores or drops a pending edit first).
    void MoveTo(int row);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  signals:
    // The current record moved or the result changed: the view follows.
    void CurrentChanged();

  private:
    class TLink : public kadrolin::data::TDataLink {
      public:
        TDBGridModel *Model = nullptr;

      protected:
        void ActiveChanged() override { Model->Reset(); }
        void DataSetChanged() override { Model->Reset(); }
        void DataSetScrolled() override { emit Model->CurrentChanged(); }
        void RecordChanged(kadrolin::data::TField *) override { Model->RowChanged(); }
    };
    void Reset();
    void RowChanged();
    kadrolin::data::TQuery *Query() const;
    TLink FLink;
    QList<TColumn> FColumns;
};

// The data-bound grid: one row per record, the selected row is always the
// current record; clicking or moving by keys moves the record.
class TDBGrid : public QTableView {
    Q_OBJECT
  public:
    explicit TDBGrid(QWidget *parent = nullptr);
    ~TDBGrid() override;
    void SetDataSource(kadrolin::data::TDataSource *source) { FModel->SetDataSource(source); }
    kadrolin::data::TDataSource *DataSource() const { return FModel->DataSource(); }
    void SetColumns(QList<TDBGridModel::TColumn> columns);
    TDBGridModel *GridModel() const { return FModel; }

  protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

  private:
    void FollowCurrent();
    TDBGridModel *FModel;
    bool FSyncing = false;
};

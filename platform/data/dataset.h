#pragma once
// A query over one table of a register (an SQLite file or a server, see
// backend.h) with a static client-side result:
// counted, scrolled both ways, positioned by number, updated with optimistic
// locking; a data source with automatic editing; data links that keep bound
// controls in step with the current row.
//
// The result holds only the row keys; rows are read on demand through a
// bounded cache and large objects only when a field asks for their bytes, so
// opening a statement over many people with photos stays cheap.
#include "platform/data/backend.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace kadrolin::data {

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };
enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode
};

class TQuery;
class TDataSource;

// The message of a post or delete whose row another writer changed or removed.
extern const char *const SRowNotLocatedUpdate;
extern const char *const SRowNotLocatedDelete;

// A store or delete refused because another writer changed or removed the
// row since it was read; the row keeps its typed values.
class ERowConflict : public EDatabaseError {
  public:
    ERowConflict(const std::string &msg, bool deleted) : EDatabaseError(msg), FDeleted(deleted) {}
    bool Deleted() const { return FDeleted; }

  private:
    bool FDeleted;
};

class TField {
  public:
    const std::string &FieldName() const { return FName; }
    TFieldType DataType() const { return FType; }
    int Index() const { return FIndex; }
    bool Visible() const { return !FIsKey; }
    bool IsBlob() const { return FType == ftBlob; }
    bool CanModify() const;
    TQuery &DataSet() const { return *FDataSet; }

    bool IsNull() const;
    // NULL reads as empty text.
    std::string AsString() const;
    // Empty text stores NULL, as a cleared box does.
    void SetAsString(const std::string &value);
    void Clear();
    // The bytes of a large object (read from the file on first use for this row).
    std::string AsBytes() const;
    void SetAsBytes(std::string bytes);
    long long DataSize() const;

  private:
    friend class TQuery;
    TQuery *FDataSet = nullptr;
    int FIndex = 0;
    std::string FName;
    std::string FOrigin; // column name in the table
    TFieldType FType = ftString;
    bool FIsKey = false;
};

class TQuery {
  public:
    explicit TQuery(std::string name = "Query");
    ~TQuery();
    TQuery(const TQuery &) = delete;
    TQuery &operator=(const TQuery &) = delete;

    const std::string &Name() const { return FName; }

    // The register: a file name or a server address (see IsServerAddress),
    // opened on the first Open and kept for later ones.
    void SetDatabaseName(const std::string &address);
    const std::string &DatabaseName() const { return FDatabaseName; }
    void SetConnection(std::shared_ptr<TDatabase> db);
    void SetBackend(std::shared_ptr<TBackend> backend);
    std::shared_ptr<TBackend> Backend() const { return FBackend; }
    // Run on a server database that holds no table yet.
    void SetServerSchema(std::string sql) { FServerSchema = std::move(sql); }
    // The hidden key column every result carries (the table's integer key).
    void SetKeyFieldName(const std::string &name) { FKeyName = name; }

    // Gives the keys of the statement's rows in the statement's order by a
    // faster way than running it (an index the file keeps); the statement
    // itself still names the table and its columns.
    using TKeySource = std::function<std::vector<long long>(TDatabase &)>;

    // Statement text and its parameters (?1, ?2 ... in order). Only while closed.
    void SetSQL(const std::string &sql, std::vector<TValue> params = {}, TKeySource keys = {});
    const std::string &SQL() const { return FSQL; }
    const std::vector<TValue> &Params() const { return FParams; }

    void Open();
    void Close();
    bool Active() const { return FState != dsInactive; }
    TDataSetState State() const { return FState; }
    bool CanModify() const { return Active() && !FTable.empty() && !FReadOnly; }
    // The user may only read this register (a server role with SELECT alone).
    bool ReadOnly() const { return FReadOnly; }

    // Navigation. Moving first stores a changed row being edited or inserted
    // and drops an unchanged one.
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);
    // A move the bound controls and the after-scroll handler hear of only at
    // the next SyncControls(), or before any other change they are told of:
    // a long walk (a report run) updates what is painted once a frame, not
    // once a row. Returns the rows moved, as MoveBy.
    int MoveByDeferred(int distance);
    void FirstDeferred();
    // Tells the controls of a deferred move; nothing when none is pending.
    void SyncControls();
    bool ControlsBehind() const { return FScrollPending; }
    bool Bof() const { return FBof; }
    bool Eof() const { return FEof; }
    bool IsEmpty() const { return FKeys.empty() && FState != dsInsert; }
    // Rows of the result (a new row is not counted until stored).
    int RecordCount() const;
    // 1 for the first row; -1 while inserting or when the result is empty.
    int RecNo() const;
    void SetRecNo(int recNo);
    // The 0-based place the current row has in the list, counting a new row
    // being inserted at its insertion point; -1 when there is none.
    int CurrentIndex() const;
    bool Locate(const std::string &fieldName, const std::string &value, bool caseInsensitive = false,
                bool partialKey = false);
    long long KeyAt(int index) const { return FKeys.at(static_cast<size_t>(index)); }
    bool GotoKey(long long key);

    // Reads the keys of the statement again while browsing, keeping the
    // current person current (or the one now at its place); what others
    // changed shows. Does nothing while a row is edited or inserted.
    void Refresh();
    // True once when another clerk changed the table since the last call.
    bool TakeChanged();

    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    // Writes pending control values, then posts a changed row or drops an unchanged one.
    void CheckBrowseMode();
    void UpdateRecord();
    bool Modified() const { return FModified; }

    const std::vector<std::unique_ptr<TField>> &Fields() const { return FFields; }
    TField *FindField(const std::string &name) const;
    TField &FieldByName(const std::string &name) const;

    // Text of a field of any row of the result without moving (0-based index
    // into the stored rows); the current row's buffer while it is edited.
    std::string TextAt(int index, int fieldIndex);

    // Notifications, in the order of the classic dataset events.
    std::function<void(TQuery &)> AfterOpen, BeforeClose, AfterClose, AfterScroll, BeforePost, AfterPost,
        AfterInsert, AfterEdit, AfterCancel, AfterDelete;

    // Rows kept read; more are read again on demand.
    static constexpr size_t CacheLimit = 512;

  private:
    friend class TField;
    friend class TDataSource;

    void CheckActive() const;
    void CheckEditing() const;
    void SetState(TDataSetState s);
    void InsertAt(bool atEnd);
    void DataEvent(TDataEvent event, TField *field = nullptr);
    void Bind();
    void LoadCurrent();
    std::vector<long long> ReadKeys();
    void GotoIndex(int index, bool forceScroll);
    const TRowBuffer &Row(long long key);
    TRowBuffer FetchRow(long long key);
    void LoadBlob(TCell &cell, const TField &field);
    void SetCell(TField &field, TCell cell);
    void DropCache();

    std::string FName;
    std::string FDatabaseName = "Data.mdb";
    std::string FKeyName = "Id";
    std::shared_ptr<TBackend> FBackend;
    std::string FServerSchema;
    std::string FSQL;
    std::vector<TValue> FParams;
    TKeySource FKeySource;

    TDataSetState FState = dsInactive;
    std::vector<std::unique_ptr<TField>> FFields;
    std::string FTable;
    bool FReadOnly = false;
    int FKeyField = -1;
    std::vector<long long> FKeys;
    int FIndex = 0;       // current row among FKeys
    int FInsertIndex = 0; // insertion point while inserting
    bool FBof = true, FEof = true;
    bool FModified = false;
    bool FDeferScroll = false;   // inside a deferred move
    bool FScrollPending = false; // a move the controls have not heard of
    TRowBuffer FBuffer;          // the current row as the controls see it
    TRowBuffer FOriginal;        // the current row as read, for the optimistic check
    std::vector<bool> FChanged;

    std::unordered_map<long long, TRowBuffer> FCache;
    std::deque<long long> FCacheOrder;
    std::unique_ptr<TTableAccess> FAccess;

    std::vector<TDataSource *> FDataSources;
};

class TDataLink;

class TDataSource {
  public:
    TDataSource() = default;
    ~TDataSource();
    TDataSource(const TDataSource &) = delete;
    TDataSource &operator=(const TDataSource &) = delete;

    void SetDataSet(TQuery *dataSet);
    TQuery *DataSet() const { return FDataSet; }
    TDataSetState State() const { return FDataSet ? FDataSet->State() : dsInactive; }
    bool AutoEdit = true;
    // Puts a browsing dataset into editing when automatic editing is on.
    void Edit();

    std::function<void()> OnStateChange;
    std::function<void(TField *)> OnDataChange;

  private:
    friend class TQuery;
    friend class TDataLink;
    void DataEvent(TDataEvent event, TField *field);
    TQuery *FDataSet = nullptr;
    std::vector<TDataLink *> FLinks;
};

class TDataLink {
  public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink &) = delete;
    TDataLink &operator=(const TDataLink &) = delete;

    void SetDataSource(TDataSource *source);
    TDataSource *DataSource() const { return FDataSource; }
    TQuery *DataSet() const { return FDataSource ? FDataSource->DataSet() : nullptr; }
    bool Active() const { return FActive; }
    bool Editing() const { return FEditing; }
    bool ReadOnly = false;
    // Asks the data source to edit; true when the row is now being edited.
    virtual bool Edit();
    // Writes the control's pending value into the row.
    void UpdateRecord();

  protected:
    virtual void ActiveChanged() {}
    virtual void EditingChanged() {}
    virtual void RecordChanged(TField * /*field*/) {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled() { RecordChanged(nullptr); }
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void UpdateData() {}
    virtual void CheckBrowseMode() {}

  private:
    friend class TDataSource;
    void DataEvent(TDataEvent event, TField *field);
    void UpdateState();
    TDataSource *FDataSource = nullptr;
    bool FActive = false;
    bool FEditing = false;
    bool FUpdating = false;
};

// The link of a control bound to one field.
class TFieldDataLink : public TDataLink {
  public:
    void SetFieldName(const std::string &name);
    const std::string &FieldName() const { return FFieldName; }
    TField *Field() const { return FField; }
    bool CanModify() const { return !ReadOnly && FField && FField->CanModify(); }
    bool IsModified() const { return FModified; }
    // The control's value differs from the field's: written at the next update.
    void Modified() { FModified = true; }
    // Shows the field's value again, dropping the control's change.
    void Reset();
    bool Edit() override;

    std::function<void()> OnDataChange, OnEditingChange, OnUpdateData, OnActiveChange;

  protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void RecordChanged(TField *field) override;
    void LayoutChanged() override;
    void UpdateData() override;

  private:
    void UpdateField();
    std::string FFieldName;
    TField *FField = nullptr;
    bool FModified = false;
};

} // namespace kadrolin::data

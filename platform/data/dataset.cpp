#include "platform/data/dataset.h"

#include <algorithm>
#include <unordered_set>

namespace kadrolin::data {

const char *const SRowNotLocatedUpdate =
    "Row cannot be located for updating. Some values may have been changed since it was last read.";
const char *const SRowNotLocatedDelete =
    "Row cannot be located for deleting. Some values may have been changed since it was last read.";

namespace {

const char *const SDataSetClosed = "Cannot perform this operation on a closed dataset";
const char *const SDataSetEmpty = "Cannot perform this operation on an empty dataset";
const char *const SNotEditing = "Dataset not in edit or insert mode";

bool SameName(const std::string &a, const std::string &b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

// ---------------------------------------------------------------- fields

bool TField::CanModify() const {
    return !FIsKey && FDataSet->CanModify();
}

bool TField::IsNull() const {
    FDataSet->CheckActive();
    return FDataSet->FBuffer.Cells.at(static_cast<size_t>(FIndex)).Null;
}

std::string TField::AsString() const {
    FDataSet->CheckActive();
    const TCell &c = FDataSet->FBuffer.Cells.at(static_cast<size_t>(FIndex));
    if (c.Null) return {};
    if (FType == ftBlob) return AsBytes();
    return c.Data;
}

void TField::SetAsString(const std::string &value) {
    if (value.empty()) {
        Clear();
        return;
    }
    TCell c;
    c.Null = false;
    c.Size = static_cast<long long>(value.size());
    c.Data = value;
    FDataSet->SetCell(*this, std::move(c));
}

void TField::Clear() {
    FDataSet->SetCell(*this, TCell{});
}

std::string TField::AsBytes() const {
    FDataSet->CheckActive();
    TCell &c = FDataSet->FBuffer.Cells.at(static_cast<size_t>(FIndex));
    if (c.Null) return {};
    if (!c.Loaded) FDataSet->LoadBlob(c, *this);
    return c.Data;
}

void TField::SetAsBytes(std::string bytes) {
    TCell c;
    c.Null = false;
    c.Size = static_cast<long long>(bytes.size());
    c.Data = std::move(bytes);
    FDataSet->SetCell(*this, std::move(c));
}

long long TField::DataSize() const {
    FDataSet->CheckActive();
    const TCell &c = FDataSet->FBuffer.Cells.at(static_cast<size_t>(FIndex));
    return c.Null ? 0 : c.Size;
}

// ---------------------------------------------------------------- query

TQuery::TQuery(std::string name) : FName(std::move(name)) {}

TQuery::~TQuery() {
    for (TDataSource *ds : FDataSources)
        ds->FDataSet = nullptr;
}

void TQuery::SetDatabaseName(const std::string &address) {
    if (Active()) throw EDatabaseError(FName + ": cannot change the database of an open dataset");
    if (address != FDatabaseName) FBackend.reset();
    FDatabaseName = address;
}

void TQuery::SetConnection(std::shared_ptr<TDatabase> db) {
    SetBackend(db ? FileBackend(std::move(db)) : nullptr);
}

void TQuery::SetBackend(std::shared_ptr<TBackend> backend) {
    if (Active()) throw EDatabaseError(FName + ": cannot change the database of an open dataset");
    FBackend = std::move(backend);
    if (FBackend) FDatabaseName = FBackend->Address();
}

void TQuery::SetSQL(const std::string &sql, std::vector<TValue> params, TKeySource keys) {
    if (Active()) throw EDatabaseError(FName + ": cannot change the statement of an open dataset");
    FSQL = sql;
    FParams = std::move(params);
    FKeySource = std::move(keys);
}

void TQuery::CheckActive() const {
    if (!Active()) throw EDatabaseError(FName + ": " + SDataSetClosed);
}

void TQuery::CheckEditing() const {
    if (FState != dsEdit && FState != dsInsert) throw EDatabaseError(FName + ": " + SNotEditing);
}

void TQuery::SetState(TDataSetState s) {
    if (FState == s) return;
    FState = s;
    FModified = false;
    DataEvent(deUpdateState);
}

void TQuery::DataEvent(TDataEvent event, TField *field) {
    // Whatever the links hear next must find them on the current row.
    if (FScrollPending && event != deCheckBrowseMode && event != deUpdateRecord) SyncControls();
    auto sources = FDataSources; // a handler may detach a source
    for (TDataSource *ds : sources)
        if (std::find(FDataSources.begin(), FDataSources.end(), ds) != FDataSources.end())
            ds->DataEvent(event, field);
}

void TQuery::Bind() {
    FFields.clear();
    FTable.clear();
    FKeyField = -1;
    std::vector<TColumnInfo> cols = FBackend->Describe(FSQL);
    const int n = static_cast<int>(cols.size());
    if (n == 0) throw EDatabaseError(FName + ": the statement returns no columns");
    for (int i = 0; i < n; ++i) {
        const TColumnInfo &c = cols[static_cast<size_t>(i)];
        auto f = std::make_unique<TField>();
        f->FDataSet = this;
        f->FIndex = i;
        f->FName = c.Name;
        if (c.Origin.empty() || c.Table.empty())
            throw EDatabaseError(FName + ": column '" + f->FName + "' is not a column of a table");
        f->FOrigin = c.Origin;
        f->FType = c.Type;
        if (FKeyField < 0 && SameName(f->FName, FKeyName)) {
            FKeyField = i;
            f->FIsKey = true;
            FTable = c.Table;
        }
        FFields.push_back(std::move(f));
    }
    if (FKeyField < 0)
        throw EDatabaseError(FName + ": the statement does not return the key column '" + FKeyName + "'");
    for (int i = 0; i < n; ++i)
        if (!SameName(cols[static_cast<size_t>(i)].Table, FTable))
            throw EDatabaseError(FName + ": column '" + FFields[static_cast<size_t>(i)]->FName +
                                 "' is not a column of table '" + FTable + "'");
    FAccess = FBackend->Table(FTable, FFields[static_cast<size_t>(FKeyField)]->FOrigin, cols);
    FReadOnly = FBackend->ReadOnly(FTable);
}

void TQuery::Open() {
    if (Active()) return;
    if (FSQL.empty()) throw EDatabaseError(FName + ": no statement to open");
    try {
        if (!FBackend) FBackend = OpenBackend(FDatabaseName, FServerSchema);
        Bind();
        FKeys = ReadKeys();
    } catch (...) {
        FFields.clear();
        FAccess.reset();
        FKeys.clear();
        throw;
    }
    FIndex = 0;
    DropCache();
    LoadCurrent();
    FBof = true;
    FEof = FKeys.empty();
    // Becoming active binds every field link and shows the first row: one data change each.
    SetState(dsBrowse);
    if (AfterOpen) AfterOpen(*this);
    if (!FKeys.empty() && AfterScroll) AfterScroll(*this);
}

std::vector<long long> TQuery::ReadKeys() {
    // The file's own faster way where the statement brings one; the statement itself elsewhere.
    if (FKeySource && FBackend->File()) return FKeySource(*FBackend->File());
    return FBackend->Keys(FSQL, FParams, FFields[static_cast<size_t>(FKeyField)]->FName);
}

void TQuery::Close() {
    if (!Active()) return;
    if (BeforeClose) BeforeClose(*this);
    // A row being edited or inserted is dropped: the caller decides beforehand whether to store it.
    SetState(dsInactive);
    FFields.clear();
    FAccess.reset();
    FKeys.clear();
    FBuffer = {};
    FOriginal = {};
    FChanged.clear();
    DropCache();
    FBof = FEof = true;
    if (AfterClose) AfterClose(*this);
}

void TQuery::DropCache() {
    FCache.clear();
    FCacheOrder.clear();
}

TRowBuffer TQuery::FetchRow(long long key) {
    TRowBuffer row;
    if (!FAccess->Fetch(key, row)) {
        row = {};
        row.Key = key;
        row.Missing = true;
        row.Cells.resize(FFields.size());
    }
    return row;
}

const TRowBuffer &TQuery::Row(long long key) {
    auto it = FCache.find(key);
    if (it != FCache.end()) return it->second;
    while (FCache.size() >= CacheLimit && !FCacheOrder.empty()) {
        FCache.erase(FCacheOrder.front());
        FCacheOrder.pop_front();
    }
    FCacheOrder.push_back(key);
    return FCache.emplace(key, FetchRow(key)).first->second;
}

void TQuery::LoadCurrent() {
    if (FKeys.empty()) {
        FBuffer = {};
        FBuffer.Cells.resize(FFields.size());
    } else {
        FBuffer = Row(FKeys[static_cast<size_t>(FIndex)]);
    }
    // Edit, insert and delete take the original from the buffer when they
    // start; a browsing walk (a report run) need not copy every row twice.
    FOriginal.Cells.clear();
    FChanged.assign(FFields.size(), false);
}

void TQuery::LoadBlob(TCell &cell, const TField &field) {
    if (FBuffer.Key == 0 || FBuffer.Missing) return;
    std::optional<TCell> read = FAccess->ReadBlob(FBuffer.Key, field.FIndex);
    if (!read) return; // removed meanwhile: the post will say so
    TCell fresh = std::move(*read);
    cell = fresh;
    // Keep what was read as the original too, unless the user has replaced it.
    auto i = static_cast<size_t>(field.FIndex);
    if (&cell == &FBuffer.Cells[i] && !FChanged[i] && FOriginal.Cells.size() > i &&
        !FOriginal.Cells[i].Loaded && FOriginal.Cells[i].Size == fresh.Size &&
        FOriginal.Cells[i].Null == fresh.Null)
        FOriginal.Cells[i] = fresh;
}

void TQuery::SetCell(TField &field, TCell cell) {
    CheckActive();
    CheckEditing();
    if (!field.CanModify()) throw EDatabaseError("Field '" + field.FName + "' cannot be modified");
    auto i = static_cast<size_t>(field.FIndex);
    FBuffer.Cells[i] = std::move(cell);
    FChanged[i] = true;
    FModified = true;
    DataEvent(deFieldChange, &field);
}

TField *TQuery::FindField(const std::string &name) const {
    for (auto &f : FFields)
        if (SameName(f->FName, name)) return f.get();
    return nullptr;
}

TField &TQuery::FieldByName(const std::string &name) const {
    TField *f = FindField(name);
    if (!f) throw EDatabaseError(FName + ": Field '" + name + "' not found");
    return *f;
}

int TQuery::RecordCount() const {
    CheckActive();
    return static_cast<int>(FKeys.size());
}

int TQuery::RecNo() const {
    if (!Active() || FState == dsInsert || FKeys.empty()) return -1;
    return FIndex + 1;
}

int TQuery::CurrentIndex() const {
    if (!Active()) return -1;
    if (FState == dsInsert) return FInsertIndex;
    return FKeys.empty() ? -1 : FIndex;
}

std::string TQuery::TextAt(int index, int fieldIndex) {
    CheckActive();
    auto f = static_cast<size_t>(fieldIndex);
    if (FState == dsEdit && index == FIndex)
        return FBuffer.Cells.at(f).Null || FFields.at(f)->FType == ftBlob ? std::string()
                                                                          : FBuffer.Cells[f].Data;
    const TCell &c = Row(FKeys.at(static_cast<size_t>(index))).Cells.at(f);
    return c.Null || FFields[f]->FType == ftBlob ? std::string() : c.Data;
}

void TQuery::UpdateRecord() {
    CheckEditing();
    DataEvent(deUpdateRecord);
}

void TQuery::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode);
    if (FState == dsEdit || FState == dsInsert) {
        UpdateRecord();
        if (FModified)
            Post();
        else
            Cancel();
    }
}

void TQuery::GotoIndex(int index, bool forceScroll) {
    bool moved = index != FIndex;
    FIndex = index;
    if (moved || forceScroll) {
        LoadCurrent();
        if (FDeferScroll) {
            FScrollPending = true;
            return;
        }
        FScrollPending = false;
        DataEvent(deDataSetScroll);
        if (AfterScroll) AfterScroll(*this);
    }
}

void TQuery::SyncControls() {
    if (!FScrollPending) return;
    FScrollPending = false;
    if (!Active()) return;
    DataEvent(deDataSetScroll);
    if (AfterScroll) AfterScroll(*this);
}

int TQuery::MoveByDeferred(int distance) {
    FDeferScroll = true;
    try {
        const int moved = MoveBy(distance);
        FDeferScroll = false;
        return moved;
    } catch (...) {
        FDeferScroll = false;
        throw;
    }
}

void TQuery::FirstDeferred() {
    FDeferScroll = true;
    try {
        First();
    } catch (...) {
        FDeferScroll = false;
        throw;
    }
    FDeferScroll = false;
}

void TQuery::First() {
    CheckActive();
    CheckBrowseMode();
    if (!FKeys.empty()) GotoIndex(0, true);
    FBof = true;
    FEof = FKeys.empty();
}

void TQuery::Last() {
    CheckActive();
    CheckBrowseMode();
    if (!FKeys.empty()) GotoIndex(static_cast<int>(FKeys.size()) - 1, true);
    FEof = true;
    FBof = FKeys.empty();
}

int TQuery::MoveBy(int distance) {
    CheckActive();
    CheckBrowseMode();
    if (FKeys.empty()) {
        FBof = FEof = true;
        return 0;
    }
    const int last = static_cast<int>(FKeys.size()) - 1;
    const int target = std::clamp(FIndex + distance, 0, last);
    const int moved = target - FIndex;
    if (distance > 0 && moved < distance)
        FEof = true;
    else if (distance < 0 && moved > distance)
        FBof = true;
    if (moved != 0) {
        if (distance > 0) FBof = false;
        if (distance < 0) FEof = false;
        GotoIndex(target, false);
    }
    return moved;
}

void TQuery::Next() {
    MoveBy(1);
}
void TQuery::Prior() {
    MoveBy(-1);
}

void TQuery::SetRecNo(int recNo) {
    CheckActive();
    CheckBrowseMode();
    if (FKeys.empty() || recNo < 1 || recNo > static_cast<int>(FKeys.size())) return;
    FBof = FEof = false;
    GotoIndex(recNo - 1, false);
}

bool TQuery::GotoKey(long long key) {
    CheckActive();
    CheckBrowseMode();
    auto it = std::find(FKeys.begin(), FKeys.end(), key);
    if (it == FKeys.end()) return false;
    FBof = FEof = false;
    GotoIndex(static_cast<int>(it - FKeys.begin()), false);
    return true;
}

bool TQuery::Locate(const std::string &fieldName, const std::string &value, bool caseInsensitive,
                    bool partialKey) {
    CheckActive();
    TField &f = FieldByName(fieldName);
    std::vector<long long> found = FAccess->Find(f.FIndex, value, caseInsensitive, partialKey);
    std::unordered_set<long long> hits(found.begin(), found.end());
    for (size_t i = 0; i < FKeys.size(); ++i)
        if (hits.count(FKeys[i])) return GotoKey(FKeys[i]);
    return false;
}

void TQuery::Refresh() {
    CheckActive();
    if (FState != dsBrowse) return;
    const long long current = FKeys.empty() ? 0 : FKeys[static_cast<size_t>(FIndex)];
    FKeys = ReadKeys();
    DropCache();
    auto it = std::find(FKeys.begin(), FKeys.end(), current);
    if (it != FKeys.end())
        FIndex = static_cast<int>(it - FKeys.begin());
    else
        FIndex = FKeys.empty() ? 0 : std::min(FIndex, static_cast<int>(FKeys.size()) - 1);
    FBof = FKeys.empty() || FIndex == 0;
    FEof = FKeys.empty();
    LoadCurrent();
    DataEvent(deDataSetChange);
    if (!FKeys.empty() && AfterScroll) AfterScroll(*this);
}

bool TQuery::TakeChanged() {
    return Active() && FBackend && FBackend->TakeChanged(FTable);
}

void TQuery::Edit() {
    CheckActive();
    if (FState == dsEdit || FState == dsInsert) return;
    if (FKeys.empty()) {
        Insert();
        return;
    }
    FOriginal = FBuffer;
    FChanged.assign(FFields.size(), false);
    SetState(dsEdit);
    DataEvent(deRecordChange);
    if (AfterEdit) AfterEdit(*this);
}

void TQuery::Insert() {
    InsertAt(false);
}

void TQuery::Append() {
    InsertAt(true);
}

void TQuery::InsertAt(bool atEnd) {
    CheckActive();
    CheckBrowseMode();
    FInsertIndex = atEnd || FKeys.empty() ? static_cast<int>(FKeys.size()) : FIndex;
    FBuffer = {};
    FBuffer.Cells.resize(FFields.size());
    FOriginal = FBuffer;
    FChanged.assign(FFields.size(), false);
    FBof = FEof = false;
    SetState(dsInsert);
    DataEvent(deDataSetChange);
    if (AfterInsert) AfterInsert(*this);
}

namespace {
TValue CellValue(const TField &f, const TCell &c) {
    if (c.Null) return TValue::Null();
    return f.DataType() == ftBlob ? TValue::Blob(c.Data) : TValue::Text(c.Data);
}
} // namespace

void TQuery::Post() {
    CheckActive();
    if (FState != dsEdit && FState != dsInsert) return;
    UpdateRecord();
    if (BeforePost) BeforePost(*this);
    long long key = FBuffer.Key;
    if (FState == dsEdit) {
        if (FBuffer.Missing) throw ERowConflict(SRowNotLocatedUpdate, true);
        std::vector<std::pair<int, TValue>> changes;
        for (size_t i = 0; i < FFields.size(); ++i) {
            if (!FChanged[i] || FBuffer.Cells[i] == FOriginal.Cells[i]) continue;
            changes.emplace_back(static_cast<int>(i), CellValue(*FFields[i], FBuffer.Cells[i]));
        }
        if (!changes.empty()) {
            TWriteResult r = FAccess->Update(FOriginal, changes);
            if (r != wrDone) {
                FCache.erase(key); // dropping the edit shows what the register holds now
                throw ERowConflict(SRowNotLocatedUpdate, r == wrDeleted);
            }
        }
    } else {
        std::vector<std::pair<int, TValue>> values;
        for (size_t i = 0; i < FFields.size(); ++i) {
            if (static_cast<int>(i) == FKeyField || FBuffer.Cells[i].Null) continue;
            values.emplace_back(static_cast<int>(i), CellValue(*FFields[i], FBuffer.Cells[i]));
        }
        key = FAccess->Insert(values);
        FKeys.insert(FKeys.begin() + FInsertIndex, key);
        FIndex = FInsertIndex;
    }
    // What is shown after storing is what the file holds now.
    FCache.erase(key);
    SetState(dsBrowse);
    LoadCurrent();
    DataEvent(deDataSetChange);
    if (AfterPost) AfterPost(*this);
}

void TQuery::Cancel() {
    CheckActive();
    if (FState == dsEdit) {
        SetState(dsBrowse);
        LoadCurrent();
        DataEvent(deDataSetChange);
        if (AfterCancel) AfterCancel(*this);
    } else if (FState == dsInsert) {
        SetState(dsBrowse);
        FIndex = FKeys.empty() ? 0 : std::clamp(FInsertIndex, 0, static_cast<int>(FKeys.size()) - 1);
        FBof = FKeys.empty() || FIndex == 0;
        FEof = FKeys.empty();
        LoadCurrent();
        DataEvent(deDataSetChange);
        if (AfterCancel) AfterCancel(*this);
        if (!FKeys.empty() && AfterScroll) AfterScroll(*this);
    }
}

void TQuery::Delete() {
    CheckActive();
    if (FState == dsInsert) {
        Cancel();
        return;
    }
    if (FKeys.empty()) throw EDatabaseError(FName + ": " + SDataSetEmpty);
    if (FBuffer.Missing) throw ERowConflict(SRowNotLocatedDelete, true);
    if (FState == dsBrowse) FOriginal = FBuffer;
    TWriteResult r = FAccess->Delete(FOriginal);
    if (r != wrDone) {
        FCache.erase(FOriginal.Key);
        throw ERowConflict(SRowNotLocatedDelete, r == wrDeleted);
    }
    const long long key = FKeys[static_cast<size_t>(FIndex)];
    FCache.erase(key);
    FKeys.erase(FKeys.begin() + FIndex);
    if (FIndex >= static_cast<int>(FKeys.size())) FIndex = std::max(0, static_cast<int>(FKeys.size()) - 1);
    FBof = FKeys.empty();
    FEof = FKeys.empty();
    SetState(dsBrowse);
    LoadCurrent();
    DataEvent(deDataSetChange);
    if (AfterDelete) AfterDelete(*this);
    if (!FKeys.empty() && AfterScroll) AfterScroll(*this);
}

// ---------------------------------------------------------------- data source

TDataSource::~TDataSource() {
    SetDataSet(nullptr);
    for (TDataLink *l : FLinks)
        l->FDataSource = nullptr;
}

void TDataSource::SetDataSet(TQuery *dataSet) {
    if (FDataSet == dataSet) return;
    if (FDataSet) std::erase(FDataSet->FDataSources, this);
    FDataSet = dataSet;
    if (FDataSet) FDataSet->FDataSources.push_back(this);
    DataEvent(deUpdateState, nullptr);
}

void TDataSource::Edit() {
    if (AutoEdit && FDataSet && FDataSet->State() == dsBrowse) FDataSet->Edit();
}

void TDataSource::DataEvent(TDataEvent event, TField *field) {
    auto links = FLinks;
    for (TDataLink *l : links)
        if (std::find(FLinks.begin(), FLinks.end(), l) != FLinks.end()) l->DataEvent(event, field);
    if (event == deUpdateState && OnStateChange) OnStateChange();
    if ((event == deFieldChange || event == deRecordChange || event == deDataSetChange ||
         event == deDataSetScroll || event == deLayoutChange) &&
        OnDataChange)
        OnDataChange(field);
}

// ---------------------------------------------------------------- data links

TDataLink::~TDataLink() {
    if (FDataSource) std::erase(FDataSource->FLinks, this);
}

void TDataLink::SetDataSource(TDataSource *source) {
    if (FDataSource == source) return;
    if (FDataSource) std::erase(FDataSource->FLinks, this);
    FDataSource = source;
    if (FDataSource) FDataSource->FLinks.push_back(this);
    UpdateState();
}

bool TDataLink::Edit() {
    if (!ReadOnly && FDataSource) FDataSource->Edit();
    return FEditing;
}

void TDataLink::UpdateRecord() {
    FUpdating = true;
    try {
        UpdateData();
    } catch (...) {
        FUpdating = false;
        throw;
    }
    FUpdating = false;
}

void TDataLink::UpdateState() {
    const bool active = FDataSource && FDataSource->State() != dsInactive;
    if (active != FActive) {
        FActive = active;
        ActiveChanged();
    }
    const bool editing = FDataSource && (FDataSource->State() == dsEdit || FDataSource->State() == dsInsert);
    if (editing != FEditing) {
        FEditing = editing;
        EditingChanged();
    }
}

void TDataLink::DataEvent(TDataEvent event, TField *field) {
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!FUpdating) RecordChanged(field);
        break;
    case deDataSetChange:
        DataSetChanged();
        break;
    case deDataSetScroll:
        DataSetScrolled();
        break;
    case deLayoutChange:
        LayoutChanged();
        break;
    case deUpdateRecord:
        UpdateRecord();
        break;
    case deUpdateState:
        UpdateState();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    }
}

void TFieldDataLink::SetFieldName(const std::string &name) {
    if (name == FFieldName) return;
    FFieldName = name;
    UpdateField();
}

void TFieldDataLink::UpdateField() {
    TField *f = nullptr;
    if (Active() && !FFieldName.empty()) f = DataSet()->FindField(FFieldName);
    if (f != FField) {
        FField = f;
        EditingChanged();
        RecordChanged(nullptr);
    }
}

void TFieldDataLink::Reset() {
    RecordChanged(nullptr);
}

bool TFieldDataLink::Edit() {
    if (CanModify()) TDataLink::Edit();
    return Editing();
}

void TFieldDataLink::ActiveChanged() {
    UpdateField();
    if (OnActiveChange) OnActiveChange();
}

void TFieldDataLink::EditingChanged() {
    if (OnEditingChange) OnEditingChange();
}

void TFieldDataLink::RecordChanged(TField *field) {
    if (field == nullptr || field == FField) {
        if (OnDataChange) OnDataChange();
        FModified = false;
    }
}

void TFieldDataLink::LayoutChanged() {
    UpdateField();
    TDataLink::LayoutChanged();
}

void TFieldDataLink::UpdateData() {
    if (FModified) {
        if (FField && OnUpdateData) OnUpdateData();
        FModified = false;
    }
}

} // namespace kadrolin::data

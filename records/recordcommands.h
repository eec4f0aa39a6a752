#pragma once
// The statements the one query runs, how a statement change treats the row
// being edited, and the texts the record commands show.
#include "platform/data/dataset.h"
#include "platform/data/namekeys.h"

#include <string>
#include <string_view>
#include <vector>

namespace kadrolin::records {

struct TStatementText {
    std::string Sql;
    std::vector<data::TValue> Params;
    // The same rows in the same order through the file's Turkish name index.
    data::TQuery::TKeySource Keys;
};

// The file's Turkish order of A_Adi (see platform/data/namekeys.h).
const data::TNameIndex &NameIndex();

// The statement the query is created with.
TStatementText InitialStatement();
// The whole register sorted by name in the Turkish alphabet.
TStatementText OrderedStatement();
// Names that begin with the typed text, Turkish case-insensitively, in the
// order the index that finds them gives: the Turkish order.
// The text is bound as a parameter: quotes typed into the search box are
// just characters; % and _ keep their pattern meaning.
TStatementText SearchStatement(std::string_view searchText);

// Replaces the query's statement and opens it. A row being edited or inserted
// is handled first as when moving to another row: stored if changed, dropped
// if not. If storing fails, the error propagates, the row keeps its typed
// values and the statement is not changed.
void RunStatement(data::TQuery &query, const TStatementText &statement);

// "  Toplam kayıt : N / M"; while inserting, the count includes the new row
// and M is its place; a closed or empty result shows 0 / 0.
std::string RecordCountText(const data::TQuery &query);

// "'Ali Veli' adlı kişiye ait tüm kayıtlar silinsin mi?" with any single
// quote in the name doubled.
std::string DeleteQuestion(std::string_view name);

// The edit command: open, modifiable, browsing. The store command: open,
// modifiable, editing or inserting.
bool EditCommandEnabled(const data::TQuery &query);
bool PostCommandEnabled(const data::TQuery &query);

// The schema compiled into the program.
const char *SchemaSql();
// The schema a server database gets when it holds no table yet.
const char *ServerSchemaSql();
// A new, empty register file; fails if the file exists.
void CreateRegister(const std::string &fileName);

} // namespace kadrolin::records

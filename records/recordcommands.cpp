#include "records/recordcommands.h"

#include "records/recordlayout.h"
#include "records/schema_server_sql.h"
#include "records/schema_sql.h"

namespace kadrolin::records {

using data::TQuery;

TStatementText InitialStatement() {
    // Any order is this statement's; the Turkish one lets the sorted open that
    // follows at start-up take these keys instead of walking the index again.
    return {"Select * From tarvelion", {}, [](data::TDatabase &db) {
                return data::OrderedKeys(db, NameIndex(), true);
            }};
}

const data::TNameIndex &NameIndex() {
    static const data::TNameIndex index{kTableName, kKeyField, kNameField};
    return index;
}

TStatementText OrderedStatement() {
    // The collation is named here, never in the schema: the file stays readable by other tools.
    // The file answers through its name index; a server runs the statement.
    return {"SELECT * FROM tarvelion ORDER BY A_Adi COLLATE TR, Id", {}, [](data::TDatabase &db) {
                return data::OrderedKeys(db, NameIndex());
            }};
}

TStatementText SearchStatement(std::string_view searchText) {
    std::string pattern = std::string(searchText) + "%";
    return {"SELECT * FROM tarvelion WHERE A_Adi LIKE ?1 ORDER BY A_Adi COLLATE TR, Id",
            {data::TValue::Text(pattern)},
            [pattern](data::TDatabase &db) { return data::LikeKeys(db, NameIndex(), pattern); }};
}

void RunStatement(TQuery &query, const TStatementText &statement) {
    if (query.Active()) query.CheckBrowseMode(); // throws with the row still in its editing state
    query.Close();
    query.SetSQL(statement.Sql, statement.Params, statement.Keys);
    query.Open();
}

std::string RecordCountText(const TQuery &query) {
    int count = 0, position = 0;
    if (query.Active()) {
        count = query.RecordCount();
        if (query.State() == data::dsInsert) {
            ++count;
            position = query.CurrentIndex() + 1;
        } else {
            position = count == 0 ? 0 : query.RecNo();
        }
    }
    return "  Toplam kayıt : " + std::to_string(count) + " / " + std::to_string(position);
}

std::string DeleteQuestion(std::string_view name) {
    std::string q = "'";
    for (char c : name) {
        q += c;
        if (c == '\'') q += '\'';
    }
    return q + "' adlı kişiye ait tüm kayıtlar silinsin mi?";
}

bool EditCommandEnabled(const TQuery &query) {
    return query.Active() && query.CanModify() && query.State() == data::dsBrowse;
}

bool PostCommandEnabled(const TQuery &query) {
    return query.Active() && query.CanModify() &&
           (query.State() == data::dsEdit || query.State() == data::dsInsert);
}

const char *SchemaSql() {
    return kSchemaSql;
}

const char *ServerSchemaSql() {
    return kServerSchemaSql;
}

void CreateRegister(const std::string &fileName) {
    data::TDatabase::Create(fileName, kSchemaSql);
}

} // namespace kadrolin::records

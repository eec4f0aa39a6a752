#pragma once
// The Turkish order of one text column of an SQLite table, kept in the file
// as plain data so that a prefix search and the sorted list walk an index
// instead of calling ICU for every row.
//
// Everything here is specific to the SQLite file. In the file it is a table
// "<table>_namekey" (key, sort key, the text, a flag for texts whose prefix
// cannot be found by a sort-key range), its two indexes, a table
// "<table>_namekey_log" of changed keys, and three triggers in plain SQL that
// log every insert, delete and change of the column. So the file stays an
// ordinary database: any tool may write it, and the log tells what changed.
// Before every use the log is worked off; a missing or altered piece is
// rebuilt; a file that cannot be written is served by the ICU statements
// instead, so an answer is never stale.
#include "platform/data/database.h"

#include <string>
#include <string_view>
#include <vector>

namespace kadrolin::data {

struct TNameIndex {
    std::string Table;  // e.g. "tarvelion"
    std::string Key;    // its INTEGER PRIMARY KEY column
    std::string Column; // the text column ordered and searched
};

// All keys of the table in the Turkish order of the column (NULL first).
// handOn keeps a copy for the next call, which takes it if nothing was
// written meanwhile (an unsorted open followed at once by the sorted one).
std::vector<long long> OrderedKeys(TDatabase &db, const TNameIndex &ix, bool handOn = false);

// The keys of the rows whose column matches a Turkish case-insensitive LIKE
// pattern ('%' and '_' keep their meaning, no escape), in the Turkish order.
std::vector<long long> LikeKeys(TDatabase &db, const TNameIndex &ix, std::string_view pattern);

// Brings the derived data up to date, creating it in a file that has none.
// False when it cannot be used now (file read-only or locked by another writer).
bool RefreshNameIndex(TDatabase &db, const TNameIndex &ix);

// The bytes the index orders by: memcmp order is the Turkish order of the
// values (NULL, then numbers, then texts, then other bytes). Exposed for tests.
std::string NameSortKey(const TValue &value);

// True when a row with this text is found by the sort-key range of every
// prefix that matches it: well-formed, and only characters for which equal
// case folding means equal primary weights and no contraction spans them.
bool RangeSearchable(std::string_view text);

} // namespace kadrolin::data

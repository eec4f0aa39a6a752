#pragma once
// Which source columns fill which register column. A header matches a column
// by its database name ("A_Adi") or by its caption ("Adı Soyadı",
// "Cep Telefonu :"), ignoring Turkish case, blanks and a trailing colon. A map
// file overrides that:
//     [Alanlar]
//     A_Adi=FirstName,LastName   ; joined by one blank
#include <string>
#include <vector>

namespace kadrolin::exchange {

struct TMapping {
    // Per register column, in ImportColumns() order: the source column
    // indexes whose values are joined by one blank (none: left empty).
    std::vector<std::vector<int>> Sources;
    bool operator==(const TMapping &) const = default;
};

// The register columns an import can fill (every column of the record layout).
const std::vector<std::string> &ImportColumns();
int ImportColumnIndex(const std::string &fieldName); // -1 when unknown

// The header row of an exported spreadsheet: each column's caption without
// its trailing colon (the column name where it has none); the photo is left out.
const std::vector<std::string> &ExportHeaders();

// The comparison key of a header or caption.
std::string HeaderKey(const std::string &header);

TMapping GuessMapping(const std::vector<std::string> &sourceColumns);
// The guess with the map file's fields put over it. Fails naming the map file
// and the line for an unknown register column or a missing source column.
TMapping ReadMapFile(const std::string &mapFile, const std::vector<std::string> &sourceColumns);
// Source columns no register column takes, by name.
std::vector<std::string> UnmappedColumns(const TMapping &mapping,
                                         const std::vector<std::string> &sourceColumns);

} // namespace kadrolin::exchange

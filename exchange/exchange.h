#pragma once
// The two interfaces every file format implements: a reader yields the rows
// of a source table as values under its own column names; a writer takes
// rows of the register's columns. The import and export runs, the mapper and
// the dialogs work through these alone.
#include "platform/data/database.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace kadrolin::exchange {

// Every failure of an import, export, backup or restore; the message is
// Turkish and names the file (and the row and column where there is one).
class EExchangeError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class TRecordReader {
  public:
    virtual ~TRecordReader() = default;
    // The source's column names, as its header row or table definition gives them.
    virtual const std::vector<std::string> &Columns() const = 0;
    // The next row, one value per column (text, bytes or null); false at the end.
    virtual bool Next(std::vector<data::TValue> &row) = 0;
    // Where the last row came from, as the user counts rows in that file.
    virtual long long RowNumber() const = 0;
    // How much of the source has been read, 0 to 1, for a progress bar.
    virtual double Fraction() const = 0;
};

class TRecordWriter {
  public:
    virtual ~TRecordWriter() = default;
    // One row of the exported columns (ExportColumns() order).
    virtual void Write(const std::vector<data::TValue> &row) = 0;
    // Makes the file appear complete; a writer destroyed without it leaves nothing.
    virtual void Finish() = 0;
};

// The formats by file extension (case-insensitive): csv, xlsx, mdb, accdb.
// table names a sheet or an Access table (empty: the format's default).
std::unique_ptr<TRecordReader> OpenReader(const std::string &file, const std::string &table = {});
// The sheets of a workbook or the tables of an Access file; none for CSV.
std::vector<std::string> SourceTables(const std::string &file);
// csv, xlsx, vcf. Nothing is written at file until Finish.
std::unique_ptr<TRecordWriter> CreateWriter(const std::string &file);

// The extension of file, lower case, without the dot.
std::string Extension(const std::string &file);

} // namespace kadrolin::exchange

#pragma once
// Access files (.mdb Jet 3/4, .accdb) through libmdb: the old program's table
// "tarvelion" when the file has one, else the table asked for. OLE-object and
// binary columns come as bytes, dates as dd.mm.yyyy (with the time where one is set).
#include "exchange/exchange.h"

namespace kadrolin::exchange {

std::unique_ptr<TRecordReader> OpenAccessReader(const std::string &file, const std::string &table);
// The user tables of the file, in catalogue order.
std::vector<std::string> AccessTables(const std::string &file);

} // namespace kadrolin::exchange

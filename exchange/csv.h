#pragma once
// CSV in: UTF-8 with or without a byte-order mark, or code page 1254 when the
// bytes are not UTF-8; ';', ',' or tab, whichever the header row uses most;
// quoted fields with line breaks and doubled quotes; CRLF or LF.
// CSV out: UTF-8 with a byte-order mark, ';', CRLF, quoted where needed, the
// way a Turkish-locale spreadsheet reads and writes it.
#include "exchange/exchange.h"

namespace kadrolin::exchange {

std::unique_ptr<TRecordReader> OpenCsvReader(const std::string &file);
std::unique_ptr<TRecordWriter> CreateCsvWriter(const std::string &file);

} // namespace kadrolin::exchange

#pragma once
// XLSX in: the first sheet or the one named; shared and inline strings,
// numbers as their digits, dates as dd.mm.yyyy. The zip is read with libzip
// and the sheet streamed through QXmlStreamReader, so a large sheet never
// sits in memory whole.
// XLSX out through libxlsxwriter: one sheet, bold frozen header, every value text.
#include "exchange/exchange.h"

namespace kadrolin::exchange {

std::unique_ptr<TRecordReader> OpenXlsxReader(const std::string &file, const std::string &sheet);
std::unique_ptr<TRecordWriter> CreateXlsxWriter(const std::string &file);
// The sheet names in workbook order.
std::vector<std::string> XlsxSheets(const std::string &file);

} // namespace kadrolin::exchange

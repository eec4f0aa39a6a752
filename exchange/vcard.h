#pragma once
// vCard 3.0 out (.vcf, UTF-8): one card per person with the name, phones,
// e-mail, home address, title, workplace, note and the photo, as phone
// contact apps import it.
#include "exchange/exchange.h"

namespace kadrolin::exchange {

std::unique_ptr<TRecordWriter> CreateVCardWriter(const std::string &file);

} // namespace kadrolin::exchange

#include "platform/report/dataset.h"

std::string TMemoryDataSet::FieldText(const std::string &name) const {
    if (FPos >= FRows.size()) return {};
    auto it = FRows[FPos].find(name);
    return it == FRows[FPos].end() ? std::string() : it->second;
}

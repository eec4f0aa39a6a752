#pragma once
// The check of a T.C. Kimlik No: eleven digits, the first not 0, the 10th
// and 11th digits the checksums of the ones before.
#include <string>
#include <string_view>

namespace kadrolin::records {

// Empty when the number is right (or the text is empty); else the warning,
// in Turkish, that the import lists and the main window shows on the box.
std::string TcKimlikNoWarning(std::string_view number);

} // namespace kadrolin::records

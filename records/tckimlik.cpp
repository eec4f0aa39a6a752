#include "records/tckimlik.h"

namespace kadrolin::records {

std::string TcKimlikNoWarning(std::string_view number) {
    if (number.empty()) return {};
    if (number.size() != 11) return "T.C. Kimlik No 11 haneli olmalı.";
    int d[11];
    for (int i = 0; i < 11; ++i) {
        if (number[i] < '0' || number[i] > '9') return "T.C. Kimlik No yalnız rakamlardan oluşmalı.";
        d[i] = number[i] - '0';
    }
    if (d[0] == 0) return "T.C. Kimlik No 0 ile başlamaz.";
    const int odd = d[0] + d[2] + d[4] + d[6] + d[8], even = d[1] + d[3] + d[5] + d[7];
    const int tenth = ((odd * 7 - even) % 10 + 10) % 10;
    int sum = 0;
    for (int i = 0; i < 10; ++i)
        sum += d[i];
    if (d[9] != tenth || d[10] != sum % 10) return "T.C. Kimlik No'nun kontrol haneleri tutmuyor.";
    return {};
}

} // namespace kadrolin::records

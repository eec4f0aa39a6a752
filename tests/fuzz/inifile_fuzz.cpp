// Feeds arbitrary bytes to the profile-file reader as the file's content, and
// checks that a key written into that content reads back as written while
// the lookups of other names never run out of bounds.
#include "platform/ini/inidocument.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool Storable(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) == s.npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using namespace kadrolin;
    const std::string bytes(reinterpret_cast<const char *>(data), size);

    // The first line names a section, key and value to look up and to write.
    const size_t eol = bytes.find('\n');
    const std::string_view head = std::string_view(bytes).substr(0, eol == bytes.npos ? 0 : eol);
    const size_t bar1 = head.find('|');
    const size_t bar2 = bar1 == head.npos ? head.npos : head.find('|', bar1 + 1);
    std::string_view section = "Tarvelion 2.1", key = "SSifre", value = head;
    if (bar2 != head.npos) {
        section = TrimIniBlanks(head.substr(0, bar1));
        key = TrimIniBlanks(head.substr(bar1 + 1, bar2 - bar1 - 1));
        value = head.substr(bar2 + 1);
    }

    TIniDocument doc(bytes);
    doc.HasSection(section);
    if (auto raw = doc.FindValue(section, key)) {
        ParseIniInteger(UnquoteIniValue(*raw));
    }
    ParseIniInteger(head);

    // The rules the file class applies before it writes.
    if (section.empty() || !Storable(section) || section.find(']') != section.npos || key.empty() ||
        !Storable(key) || key.find('=') != key.npos || key.front() == '[' || key.front() == ';' ||
        !Storable(value))
        return 0;
    doc.SetValue(section, key, QuoteIniValue(value));
    const TIniDocument reread(doc.Bytes());
    const auto back = reread.FindValue(section, key);
    if (!back || UnquoteIniValue(*back) != value) __builtin_trap();
    return 0;
}

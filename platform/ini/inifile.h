#pragma once

// Profile (INI) files with the rules of the old private-profile functions.
//
// - The file is code page 1254 on disk; names and values cross this interface
//   as UTF-8. A character the code page lacks is stored as "?".
// - Section and key names match without regard to case (letters of the code
//   page, Turkish ones included).
// - Nothing is cached: every call reads the file anew, every write goes
//   straight to the file, which is created if missing. A write replaces the
//   file through a temporary file and a rename, so a failure leaves the old
//   file whole; the file keeps its permissions, unless it holds secrets
//   (TIniFileAccess::OwnerOnly). Temporary files of ours that a killed
//   process left beside the file are removed by the next write.
// - A file that cannot be read, or has garbage in it, reads as defaults.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kadrolin {

// Raised by every failed write, with the message "Unable to write to <file>".
class TIniWriteError : public std::runtime_error {
  public:
    explicit TIniWriteError(const std::string &fileName);
    const std::string &FileName() const { return FFileName; }

  private:
    std::string FFileName;
};

enum class TIniFileAccess {
    // A new file gets 0666 through the umask; an existing one keeps its mode.
    Shared,
    // Every write leaves the file 0600, whatever the umask or its mode before.
    OwnerOnly,
};

class TIniFile {
  public:
    // Strings are read through a buffer of this many characters, the last
    // one being the terminator: at most MaxValueLength come back.
    static constexpr size_t BufferSize = 2048;
    static constexpr size_t MaxValueLength = BufferSize - 1;

    explicit TIniFile(std::string fileName, TIniFileAccess access = TIniFileAccess::Shared);

    const std::string &FileName() const { return FFileName; }

    // The value of the key, blanks around it and one pair of surrounding
    // quotes removed, cut to MaxValueLength characters; defaultValue when the
    // key is missing. A key present with an empty value reads as "".
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    // Decimal, or hexadecimal after "0x", "0X" or "$", with an optional sign;
    // the whole value must be the number. Anything else (missing, empty,
    // "12abc", "yes", out of range) gives defaultValue. Hexadecimal takes up
    // to 32 bits and wraps, so "$FF000005" reads as -16777211.
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;

    // True for any integer but 0; defaultValue when not an integer.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

    // Each raises TIniWriteError when the file cannot be written, and also
    // when the text cannot be stored as one line (a line break or NUL in it,
    // an empty key, "=" in a key, "]" in a section name); the file is then
    // untouched. A value with blanks at either end, or one that is itself
    // quoted, is written in double quotes so that it reads back unchanged.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;

  private:
    std::string FFileName;
    TIniFileAccess FAccess;
};

} // namespace kadrolin

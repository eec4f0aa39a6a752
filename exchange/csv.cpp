#include "exchange/csv.h"

#include "exchange/mapper.h"
#include "exchange/outputfile.h"
#include "platform/text/cp1254.h"
#include "records/recordlayout.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace kadrolin::exchange {

using data::TValue;

namespace {

enum class TEncoding { Utf8, Cp1254, Broken };

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// One pass over the whole file, a buffer at a time: the encoding must be
// known before the first row is converted, and a file of mostly UTF-8 with a
// wrong byte somewhere is a damaged file, not code page 1254.
TEncoding ScanEncoding(std::ifstream &in, bool &bom) {
    char buf[1 << 16];
    long long valid = 0, invalid = 0;
    int need = 0; // continuation bytes still expected
    bool first = true;
    bom = false;
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        std::streamsize n = in.gcount();
        std::streamsize i = 0;
        if (first) {
            first = false;
            if (n >= 3 && std::string_view(buf, 3) == kBom) {
                bom = true;
                i = 3;
            }
        }
        for (; i < n; ++i) {
            auto b = static_cast<unsigned char>(buf[i]);
            if (need > 0) {
                if ((b & 0xC0) == 0x80) {
                    if (--need == 0) ++valid;
                    continue;
                }
                ++invalid;
                need = 0;
            }
            if (b < 0x80) continue;
            if (b >= 0xC2 && b <= 0xDF)
                need = 1;
            else if (b >= 0xE0 && b <= 0xEF)
                need = 2;
            else if (b >= 0xF0 && b <= 0xF4)
                need = 3;
            else
                ++invalid;
        }
    }
    if (need > 0) ++invalid;
    in.clear();
    in.seekg(0);
    if (invalid == 0) return TEncoding::Utf8;
    return bom || valid > invalid ? TEncoding::Broken : TEncoding::Cp1254;
}

// The first invalid byte of a UTF-8 text, or npos.
size_t FirstInvalidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        auto b = static_cast<unsigned char>(s[i]);
        int len = b < 0x80                   ? 1
                  : (b >= 0xC2 && b <= 0xDF) ? 2
                  : (b >= 0xE0 && b <= 0xEF) ? 3
                  : (b >= 0xF0 && b <= 0xF4) ? 4
                                             : 0;
        if (len == 0 || i + static_cast<size_t>(len) > s.size()) return i;
        for (int k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + static_cast<size_t>(k)]) & 0xC0) != 0x80) return i;
        i += static_cast<size_t>(len);
    }
    return std::string::npos;
}

std::string Hex(unsigned char b) {
    char t[8];
    std::snprintf(t, sizeof t, "0x%02X", b);
    return t;
}

class TCsvReader : public TRecordReader {
  public:
    explicit TCsvReader(const std::string &file) : FFile(file), FIn(file, std::ios::binary) {
        if (!FIn) throw EExchangeError("'" + Name() + "' açılamadı.");
        std::error_code ec;
        FSize = static_cast<long long>(std::filesystem::file_size(file, ec));
        char head[2] = {};
        FIn.read(head, 2);
        if (FIn.gcount() == 2 &&
            ((head[0] == '\xFF' && head[1] == '\xFE') || (head[0] == '\xFE' && head[1] == '\xFF')))
            throw EExchangeError(
                "'" + Name() +
                "' UTF-16 kodlu; içe aktarmak için UTF-8 (ya da Windows Türkçe) olarak kaydedin.");
        FIn.clear();
        FIn.seekg(0);
        bool bom = false;
        FEncoding = ScanEncoding(FIn, bom);
        if (bom) FIn.seekg(3);
        FConsumed = bom ? 3 : 0;
        DetectDelimiter();
        std::vector<std::string> header;
        while (ReadRecord(header))
            if (!(header.size() == 1 && header[0].empty())) break;
        if (header.empty()) throw EExchangeError("'" + Name() + "' boş: başlık satırı yok.");
        for (size_t i = 0; i < header.size(); ++i) {
            std::string h = Convert(header[i], i);
            FColumns.push_back(h.empty() ? "Sütun " + std::to_string(i + 1) : h);
        }
    }

    const std::vector<std::string> &Columns() const override { return FColumns; }
    long long RowNumber() const override { return FRecord; }
    double Fraction() const override { return FSize > 0 ? static_cast<double>(FConsumed) / FSize : 1; }

    bool Next(std::vector<TValue> &row) override {
        for (;;) {
            if (!ReadRecord(FFields)) return false;
            if (FFields.size() == 1 && FFields[0].empty()) continue; // a blank line
            if (FFields.size() > FColumns.size()) {
                for (size_t i = FColumns.size(); i < FFields.size(); ++i)
                    if (!FFields[i].empty())
                        throw EExchangeError(Where() + ": başlıkta " + std::to_string(FColumns.size()) +
                                             " sütun var, bu satırda " + std::to_string(FFields.size()) +
                                             " alan (ayraç '" + DelimiterName() + "').");
            }
            row.resize(FColumns.size());
            for (size_t i = 0; i < FColumns.size(); ++i)
                row[i] = i < FFields.size() ? TValue::Text(Convert(FFields[i], i)) : TValue::Null();
            return true;
        }
    }

  private:
    std::string Name() const { return std::filesystem::path(FFile).filename().string(); }
    std::string Where() const { return "'" + Name() + "', satır " + std::to_string(FRecord); }
    std::string DelimiterName() const { return FDelimiter == '\t' ? "sekme" : std::string(1, FDelimiter); }

    std::string Convert(std::string &field, size_t column) {
        if (field.find('\0') != std::string::npos) Bad(column, 0);
        if (FEncoding == TEncoding::Cp1254) return Cp1254ToUtf8(field);
        if (FEncoding == TEncoding::Broken) {
            size_t at = FirstInvalidUtf8(field);
            if (at != std::string::npos) Bad(column, static_cast<unsigned char>(field[at]));
        }
        return std::move(field);
    }

    [[noreturn]] void Bad(size_t column, unsigned char byte) {
        std::string col =
            column < FColumns.size() ? "'" + FColumns[column] + "'" : std::to_string(column + 1) + ".";
        throw EExchangeError(Where() + ", sütun " + col + ": geçersiz bayt " + Hex(byte) +
                             " (dosya UTF-8 değil ya da bozuk).");
    }

    int Get() {
        if (FPos == FEnd) {
            FIn.read(FBuf, sizeof FBuf);
            FEnd = static_cast<size_t>(FIn.gcount());
            FPos = 0;
            if (FEnd == 0) return -1;
        }
        ++FConsumed;
        return static_cast<unsigned char>(FBuf[FPos++]);
    }
    int Peek() {
        if (FPos == FEnd) {
            FIn.read(FBuf, sizeof FBuf);
            FEnd = static_cast<size_t>(FIn.gcount());
            FPos = 0;
            if (FEnd == 0) return -1;
        }
        return static_cast<unsigned char>(FBuf[FPos]);
    }

    // The delimiter the header row uses most (outside quotes); ';' on a tie.
    void DetectDelimiter() {
        auto start = FIn.tellg();
        long long counts[3] = {};
        bool quoted = false;
        char buf[1 << 16];
        bool done = false;
        while (!done && (FIn.read(buf, sizeof buf) || FIn.gcount() > 0)) {
            for (std::streamsize i = 0; i < FIn.gcount(); ++i) {
                char c = buf[i];
                if (c == '"')
                    quoted = !quoted;
                else if (!quoted && (c == '\n' || c == '\r')) {
                    done = true;
                    break;
                } else if (!quoted) {
                    counts[0] += c == ';';
                    counts[1] += c == '\t';
                    counts[2] += c == ',';
                }
            }
        }
        FIn.clear();
        FIn.seekg(start);
        FDelimiter = ';';
        if (counts[1] > counts[0] && counts[1] >= counts[2])
            FDelimiter = '\t';
        else if (counts[2] > counts[0] && counts[2] > counts[1])
            FDelimiter = ',';
    }

    bool ReadRecord(std::vector<std::string> &fields) {
        fields.clear();
        int c = Get();
        if (c < 0) return false;
        ++FRecord;
        const long long startRecord = FRecord;
        std::string field;
        for (;;) {
            if (c == '"') {
                for (;;) {
                    c = Get();
                    if (c < 0)
                        throw EExchangeError("'" + Name() + "', satır " + std::to_string(startRecord) +
                                             ": tırnak içindeki alan kapanmadan dosya bitti.");
                    if (c == '"') {
                        c = Get();
                        if (c != '"') break;
                    }
                    field += static_cast<char>(c);
                }
            }
            // Unquoted text, or anything after a closing quote, up to the delimiter.
            while (c >= 0 && c != FDelimiter && c != '\n' && c != '\r') {
                field += static_cast<char>(c);
                c = Get();
            }
            fields.push_back(std::move(field));
            field.clear();
            if (c == FDelimiter) {
                c = Get();
                if (c < 0 || c == '\n' || c == '\r') {
                    fields.emplace_back();
                    break;
                }
                continue;
            }
            break;
        }
        if (c == '\r' && Peek() == '\n') Get();
        return true;
    }

    std::string FFile;
    std::ifstream FIn;
    long long FSize = 0, FConsumed = 0;
    TEncoding FEncoding = TEncoding::Utf8;
    char FDelimiter = ';';
    char FBuf[1 << 16];
    size_t FPos = 0, FEnd = 0;
    long long FRecord = 0;
    std::vector<std::string> FColumns, FFields;
};

class TCsvWriter : public TRecordWriter {
  public:
    explicit TCsvWriter(const std::string &file) : FOut(file) {
        FLine = kBom;
        bool first = true;
        for (const auto &h : ExportHeaders()) {
            if (!first) FLine += ';';
            first = false;
            Append(h);
        }
        FLine += "\r\n";
        FOut.Write(FLine);
        FPicture = ImportColumnIndex(records::kPictureField);
    }

    void Write(const std::vector<TValue> &row) override {
        FLine.clear();
        bool first = true;
        for (size_t i = 0; i < row.size(); ++i) {
            if (static_cast<int>(i) == FPicture) continue;
            if (!first) FLine += ';';
            first = false;
            Append(row[i].Kind == TValue::vkInteger ? std::to_string(row[i].Integer) : row[i].Bytes);
        }
        FLine += "\r\n";
        FOut.Write(FLine);
    }

    void Finish() override { FOut.Commit(); }

  private:
    void Append(const std::string &v) {
        if (v.find_first_of(";\"\r\n") == std::string::npos) {
            FLine += v;
            return;
        }
        FLine += '"';
        for (char c : v) {
            if (c == '"') FLine += '"';
            FLine += c;
        }
        FLine += '"';
    }

    TOutputFile FOut;
    std::string FLine;
    int FPicture = -1;
};

} // namespace

std::unique_ptr<TRecordReader> OpenCsvReader(const std::string &file) {
    return std::make_unique<TCsvReader>(file);
}

std::unique_ptr<TRecordWriter> CreateCsvWriter(const std::string &file) {
    return std::make_unique<TCsvWriter>(file);
}

} // namespace kadrolin::exchange

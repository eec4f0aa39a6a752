#include "exchange/xlsx.h"

#include "exchange/mapper.h"
#include "exchange/outputfile.h"
#include "platform/text/turkishcase.h"
#include "records/recordlayout.h"

#include <QXmlStreamReader>

#include <xlsxwriter.h>
#include <zip.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>

namespace kadrolin::exchange {

using data::TValue;

namespace {

// What a shared-strings table may take before the file is refused: the one
// part of a workbook that has to be held whole.
constexpr zip_uint64_t kMaxSharedStrings = 512ull * 1024 * 1024;

std::string BaseName(const std::string &file) {
    return std::filesystem::path(file).filename().string();
}

std::string U8(QStringView s) {
    return s.toString().toStdString();
}

// One member of the archive, handed to the XML reader a buffer at a time.
class TZipEntry {
  public:
    TZipEntry(zip_t *zip, const std::string &name, const std::string &file) : FName(name), FFile(file) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat(zip, name.c_str(), 0, &st) != 0)
            throw EExchangeError("'" + BaseName(file) + "' bozuk: içinde " + name + " yok.");
        FSize = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
        FEntry = zip_fopen(zip, name.c_str(), 0);
        if (!FEntry)
            throw EExchangeError("'" + BaseName(file) + "' bozuk: " + name + " açılamadı (" +
                                 zip_strerror(zip) + ").");
    }
    ~TZipEntry() {
        if (FEntry) zip_fclose(FEntry);
    }
    TZipEntry(const TZipEntry &) = delete;
    TZipEntry &operator=(const TZipEntry &) = delete;

    zip_uint64_t Size() const { return FSize; }
    zip_uint64_t Done() const { return FDone; }

    // Reads the next XML token, feeding the reader from the archive as it asks.
    QXmlStreamReader::TokenType Next(QXmlStreamReader &xml) {
        for (;;) {
            auto t = xml.readNext();
            if (!xml.hasError()) return t;
            if (xml.error() != QXmlStreamReader::PrematureEndOfDocumentError || FEof) Fail(xml);
            char buf[1 << 16];
            zip_int64_t n = zip_fread(FEntry, buf, sizeof buf);
            if (n < 0)
                throw EExchangeError("'" + BaseName(FFile) + "' bozuk (zip): " + FName +
                                     " okunamadı: " + zip_file_strerror(FEntry) + ".");
            if (n == 0) {
                FEof = true;
                xml.addData(QByteArray()); // lets the reader report the premature end for real
                continue;
            }
            FDone += static_cast<zip_uint64_t>(n);
            xml.addData(QByteArray(buf, static_cast<int>(n)));
        }
    }

    [[noreturn]] void Fail(const QXmlStreamReader &xml) const {
        throw EExchangeError("'" + BaseName(FFile) + "' bozuk: " + FName + ", satır " +
                             std::to_string(xml.lineNumber()) + ": " + xml.errorString().toStdString());
    }

  private:
    std::string FName, FFile;
    zip_file_t *FEntry = nullptr;
    zip_uint64_t FSize = 0, FDone = 0;
    bool FEof = false;
};

struct TZipCloser {
    void operator()(zip_t *z) const { zip_discard(z); }
};

std::unique_ptr<zip_t, TZipCloser> OpenZip(const std::string &file) {
    int err = 0;
    zip_t *z = zip_open(file.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
    if (!z) {
        zip_error_t e;
        zip_error_init_with_code(&e, err);
        std::string msg = zip_error_strerror(&e);
        zip_error_fini(&e);
        if (err == ZIP_ER_OPEN || err == ZIP_ER_NOENT)
            throw EExchangeError("'" + BaseName(file) + "' açılamadı: " + msg + ".");
        throw EExchangeError("'" + BaseName(file) + "' bozuk ya da bir XLSX dosyası değil (zip: " + msg +
                             ").");
    }
    return std::unique_ptr<zip_t, TZipCloser>(z);
}

bool Has(zip_t *z, const char *name) {
    return zip_name_locate(z, name, 0) >= 0;
}

QStringView Attr(const QXmlStreamReader &xml, const char *localName) {
    for (const auto &a : xml.attributes())
        if (a.name() == QLatin1String(localName)) return a.value();
    return {};
}

struct TSheet {
    std::string Name, Path;
};

struct TWorkbook {
    std::vector<TSheet> Sheets;
    bool Date1904 = false;
};

TWorkbook ReadWorkbook(zip_t *z, const std::string &file) {
    std::map<std::string, std::string> targets;
    {
        TZipEntry rels(z, "xl/_rels/workbook.xml.rels", file);
        QXmlStreamReader xml;
        while (rels.Next(xml) != QXmlStreamReader::EndDocument)
            if (xml.isStartElement() && xml.name() == QLatin1String("Relationship")) {
                std::string t = U8(Attr(xml, "Target"));
                t = t.starts_with("/") ? t.substr(1) : "xl/" + t;
                targets[U8(Attr(xml, "Id"))] = t;
            }
    }
    TWorkbook wb;
    TZipEntry entry(z, "xl/workbook.xml", file);
    QXmlStreamReader xml;
    while (entry.Next(xml) != QXmlStreamReader::EndDocument) {
        if (!xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("workbookPr")) {
            auto v = Attr(xml, "date1904");
            wb.Date1904 = v == QLatin1String("1") || v == QLatin1String("true");
        } else if (xml.name() == QLatin1String("sheet")) {
            auto it = targets.find(U8(Attr(xml, "id")));
            if (it != targets.end()) wb.Sheets.push_back({U8(Attr(xml, "name")), it->second});
        }
    }
    if (wb.Sheets.empty())
        throw EExchangeError("'" + BaseName(file) + "' bozuk: çalışma kitabında sayfa yok.");
    return wb;
}

// The text of an <si> or <is> element: its <t> runs, phonetic hints left out.
std::string StringItem(TZipEntry &entry, QXmlStreamReader &xml) {
    const QString end = xml.name().toString();
    std::string text;
    int phonetic = 0;
    for (;;) {
        auto t = entry.Next(xml);
        if (t == QXmlStreamReader::StartElement) {
            if (xml.name() == QLatin1String("rPh"))
                ++phonetic;
            else if (xml.name() == QLatin1String("t") && !phonetic)
                text += U8(xml.readElementText(QXmlStreamReader::IncludeChildElements));
        } else if (t == QXmlStreamReader::EndElement) {
            if (xml.name() == QLatin1String("rPh"))
                --phonetic;
            else if (xml.name() == end)
                return text;
        } else if (t == QXmlStreamReader::EndDocument) {
            return text;
        }
    }
}

bool IsDateFormatCode(std::string code) {
    std::string plain;
    bool quoted = false, bracket = false;
    for (size_t i = 0; i < code.size(); ++i) {
        char c = code[i];
        if (quoted) {
            quoted = c != '"';
        } else if (bracket) {
            bracket = c != ']';
        } else if (c == '"') {
            quoted = true;
        } else if (c == '[') {
            bracket = true;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (c == ';') {
            break; // the format of positive numbers decides
        } else {
            plain += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return plain.find('d') != std::string::npos || plain.find('y') != std::string::npos;
}

bool IsBuiltinDate(int id) {
    return (id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58);
}

// Which cell styles show a date.
std::vector<bool> ReadDateStyles(zip_t *z, const std::string &file) {
    std::vector<bool> dates;
    if (!Has(z, "xl/styles.xml")) return dates;
    TZipEntry entry(z, "xl/styles.xml", file);
    QXmlStreamReader xml;
    std::set<int> customDates;
    bool inCellXfs = false;
    for (;;) {
        auto t = entry.Next(xml);
        if (t == QXmlStreamReader::EndDocument) break;
        if (t == QXmlStreamReader::StartElement) {
            if (xml.name() == QLatin1String("numFmt")) {
                if (IsDateFormatCode(U8(Attr(xml, "formatCode"))))
                    customDates.insert(Attr(xml, "numFmtId").toInt());
            } else if (xml.name() == QLatin1String("cellXfs")) {
                inCellXfs = true;
            } else if (inCellXfs && xml.name() == QLatin1String("xf")) {
                int id = Attr(xml, "numFmtId").toInt();
                dates.push_back(IsBuiltinDate(id) || customDates.contains(id));
            }
        } else if (t == QXmlStreamReader::EndElement && xml.name() == QLatin1String("cellXfs")) {
            inCellXfs = false;
        }
    }
    return dates;
}

// Days since 1970-01-01 to a civil date.
void CivilFromDays(long long z, int &y, int &m, int &d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

std::string DateText(int y, int m, int d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", d, m, y);
    return buf;
}

std::string SerialToDate(double serial, bool date1904) {
    long long days = static_cast<long long>(std::floor(serial));
    int y, m, d;
    if (date1904) {
        CivilFromDays(days - 24107, y, m, d); // 1904-01-01 is day 0
    } else {
        if (days == 60) return "29.02.1900"; // the day the 1900 system counts that never was
        CivilFromDays(days < 60 ? days - 25568 : days - 25569, y, m, d);
    }
    return DateText(y, m, d);
}

// A number as a person typed it: whole numbers as their digits (a phone
// number keeps every digit), others with a decimal comma.
std::string NumberText(const std::string &v) {
    double x = 0;
    auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), x);
    if (ec != std::errc() || p != v.data() + v.size()) return v;
    if (std::floor(x) == x && std::fabs(x) < 1e15) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", x);
        return buf;
    }
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, x);
    std::string s(buf, r.ptr);
    for (char &c : s)
        if (c == '.') c = ',';
    return s;
}

int ColumnFromRef(QStringView ref) {
    int col = 0;
    for (QChar c : ref) {
        if (c < QLatin1Char('A') || c > QLatin1Char('Z')) break;
        col = col * 26 + (c.unicode() - 'A' + 1);
    }
    return col - 1;
}

std::string ColumnLetters(int col) {
    std::string s;
    for (++col; col > 0; col = (col - 1) / 26)
        s.insert(s.begin(), static_cast<char>('A' + (col - 1) % 26));
    return s;
}

class TXlsxReader : public TRecordReader {
  public:
    TXlsxReader(const std::string &file, const std::string &sheet) : FFile(file), FZip(OpenZip(file)) {
        TWorkbook wb = ReadWorkbook(FZip.get(), file);
        FDate1904 = wb.Date1904;
        const TSheet *chosen = &wb.Sheets.front();
        if (!sheet.empty()) {
            chosen = nullptr;
            for (const auto &s : wb.Sheets)
                if (TurkishFold(s.Name) == TurkishFold(sheet)) chosen = &s;
            if (!chosen) {
                std::string list;
                for (const auto &s : wb.Sheets)
                    list += (list.empty() ? "" : ", ") + s.Name;
                throw EExchangeError("'" + BaseName(file) + "' içinde '" + sheet +
                                     "' sayfası yok; sayfalar: " + list + ".");
            }
        }
        FDateStyles = ReadDateStyles(FZip.get(), file);
        ReadSharedStrings();
        FEntry = std::make_unique<TZipEntry>(FZip.get(), chosen->Path, file);
        std::vector<std::string> header;
        while (ReadRow(header)) {
            bool any = false;
            for (const auto &h : header)
                any = any || !h.empty();
            if (any) break;
        }
        if (header.empty()) throw EExchangeError("'" + BaseName(file) + "': sayfa boş, başlık satırı yok.");
        while (!header.empty() && header.back().empty())
            header.pop_back();
        for (size_t i = 0; i < header.size(); ++i)
            FColumns.push_back(header[i].empty() ? "Sütun " + ColumnLetters(static_cast<int>(i)) : header[i]);
    }

    const std::vector<std::string> &Columns() const override { return FColumns; }
    long long RowNumber() const override { return FRow; }
    double Fraction() const override {
        return FEntry->Size() ? static_cast<double>(FEntry->Done()) / static_cast<double>(FEntry->Size()) : 1;
    }

    bool Next(std::vector<TValue> &row) override {
        if (!ReadRow(FCells)) return false;
        for (size_t i = FColumns.size(); i < FCells.size(); ++i)
            if (!FCells[i].empty())
                throw EExchangeError("'" + BaseName(FFile) + "', satır " + std::to_string(FRow) + ", sütun " +
                                     ColumnLetters(static_cast<int>(i)) +
                                     ": başlığı olmayan bir sütunda değer var.");
        row.resize(FColumns.size());
        for (size_t i = 0; i < FColumns.size(); ++i)
            row[i] =
                i < FCells.size() && !FCells[i].empty() ? TValue::Text(std::move(FCells[i])) : TValue::Null();
        return true;
    }

  private:
    void ReadSharedStrings() {
        if (!Has(FZip.get(), "xl/sharedStrings.xml")) return;
        TZipEntry entry(FZip.get(), "xl/sharedStrings.xml", FFile);
        if (entry.Size() > kMaxSharedStrings)
            throw EExchangeError("'" + BaseName(FFile) + "': paylaşılan metin tablosu çok büyük.");
        QXmlStreamReader xml;
        for (;;) {
            auto t = entry.Next(xml);
            if (t == QXmlStreamReader::EndDocument) break;
            if (t == QXmlStreamReader::StartElement && xml.name() == QLatin1String("si"))
                FShared.push_back(StringItem(entry, xml));
        }
    }

    // The next <row> of the sheet, cells placed by their reference; false at the end.
    bool ReadRow(std::vector<std::string> &cells) {
        cells.clear();
        for (;;) {
            auto t = FEntry->Next(FXml);
            if (t == QXmlStreamReader::EndDocument) return false;
            if (t == QXmlStreamReader::StartElement && FXml.name() == QLatin1String("row")) break;
        }
        auto r = Attr(FXml, "r");
        FRow = r.isEmpty() ? FRow + 1 : r.toLongLong();
        int next = 0;
        for (;;) {
            auto t = FEntry->Next(FXml);
            if (t == QXmlStreamReader::EndElement && FXml.name() == QLatin1String("row")) return true;
            if (t == QXmlStreamReader::EndDocument) return true;
            if (t != QXmlStreamReader::StartElement || FXml.name() != QLatin1String("c")) continue;
            auto ref = Attr(FXml, "r");
            int col = ref.isEmpty() ? next : ColumnFromRef(ref);
            if (col < 0 || col > 16383) FEntry->Fail(FXml);
            next = col + 1;
            const std::string type = U8(Attr(FXml, "t"));
            const int style = Attr(FXml, "s").toInt();
            std::string value;
            bool haveValue = false;
            for (;;) {
                auto u = FEntry->Next(FXml);
                if (u == QXmlStreamReader::EndElement && FXml.name() == QLatin1String("c")) break;
                if (u == QXmlStreamReader::EndDocument) break;
                if (u != QXmlStreamReader::StartElement) continue;
                if (FXml.name() == QLatin1String("v")) {
                    value = U8(FXml.readElementText());
                    haveValue = true;
                } else if (FXml.name() == QLatin1String("is")) {
                    value = StringItem(*FEntry, FXml);
                    haveValue = true;
                } else if (FXml.name() == QLatin1String("f")) {
                    FXml.skipCurrentElement();
                }
            }
            if (!haveValue) continue;
            if (static_cast<size_t>(col) >= cells.size()) cells.resize(static_cast<size_t>(col) + 1);
            cells[static_cast<size_t>(col)] = CellText(type, style, value, col);
        }
    }

    std::string CellText(const std::string &type, int style, const std::string &v, int col) {
        if (type == "s") {
            size_t i = 0;
            auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), i);
            if (ec != std::errc() || i >= FShared.size())
                throw EExchangeError("'" + BaseName(FFile) + "' bozuk: satır " + std::to_string(FRow) +
                                     ", sütun " + ColumnLetters(col) + " olmayan bir metne başvuruyor.");
            return FShared[i];
        }
        if (type == "inlineStr" || type == "str" || type == "e") return v;
        if (type == "b") return v == "1" ? "DOĞRU" : "YANLIŞ";
        if (type == "d") {
            int y = 0, m = 0, d = 0;
            if (std::sscanf(v.c_str(), "%d-%d-%d", &y, &m, &d) == 3) return DateText(y, m, d);
            return v;
        }
        if (style >= 0 && static_cast<size_t>(style) < FDateStyles.size() &&
            FDateStyles[static_cast<size_t>(style)]) {
            double x = 0;
            auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), x);
            if (ec == std::errc() && x >= 0 && x < 3e6) return SerialToDate(x, FDate1904);
        }
        return NumberText(v);
    }

    std::string FFile;
    std::unique_ptr<zip_t, TZipCloser> FZip;
    std::unique_ptr<TZipEntry> FEntry;
    QXmlStreamReader FXml;
    bool FDate1904 = false;
    std::vector<bool> FDateStyles;
    std::vector<std::string> FShared, FColumns, FCells;
    long long FRow = 0;
};

class TXlsxWriter : public TRecordWriter {
  public:
    explicit TXlsxWriter(const std::string &file) : FFile(file), FOut(file) {
        std::string dir = std::filesystem::path(FOut.HandOver()).parent_path().string();
        if (dir.empty()) dir = ".";
        FTmpDir = dir;
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE; // rows go to disk as written: memory stays flat
        options.tmpdir = FTmpDir.data();
        FBook = workbook_new_opt(FOut.HandOver().c_str(), &options);
        if (!FBook) throw EExchangeError("'" + BaseName(file) + "' yazılamadı.");
        FSheet = workbook_add_worksheet(FBook, "Kişiler");
        lxw_format *bold = workbook_add_format(FBook);
        format_set_bold(bold);
        lxw_format *text = workbook_add_format(FBook);
        format_set_num_format(text, "@"); // what is typed later stays text too
        const auto &headers = ExportHeaders();
        const auto last = static_cast<lxw_col_t>(headers.size() - 1);
        worksheet_set_column(FSheet, 0, last, 18, text);
        worksheet_freeze_panes(FSheet, 1, 0);
        for (size_t i = 0; i < headers.size(); ++i)
            worksheet_write_string(FSheet, 0, static_cast<lxw_col_t>(i), headers[i].c_str(), bold);
        FPicture = ImportColumnIndex(records::kPictureField);
        FName = ImportColumnIndex(records::kNameField);
    }
    ~TXlsxWriter() override {
        if (FBook && !FClosed) workbook_close(FBook); // into the temporary file, which then goes
    }

    void Write(const std::vector<TValue> &row) override {
        ++FRow;
        lxw_col_t col = 0;
        for (size_t i = 0; i < row.size(); ++i) {
            if (static_cast<int>(i) == FPicture) continue;
            const TValue &v = row[i];
            std::string s = v.Kind == TValue::vkInteger ? std::to_string(v.Integer) : v.Bytes;
            if (!s.empty()) {
                lxw_error e = worksheet_write_string(FSheet, FRow, col, s.c_str(), nullptr);
                if (e == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED)
                    throw EExchangeError(
                        "'" + BaseName(FFile) + "': '" + row[static_cast<size_t>(FName)].Bytes +
                        "' kişisinin " + ExportHeaders()[col] +
                        " değeri bir XLSX hücresine sığmıyor (en çok 32767 karakter). CSV olarak "
                        "dışa aktarın.");
                if (e != LXW_NO_ERROR)
                    throw EExchangeError("'" + BaseName(FFile) + "' yazılamadı: " + lxw_strerror(e));
            }
            ++col;
        }
    }

    void Finish() override {
        FClosed = true;
        lxw_error e = workbook_close(FBook);
        if (e != LXW_NO_ERROR)
            throw EExchangeError("'" + BaseName(FFile) + "' yazılamadı: " + lxw_strerror(e));
        FOut.Commit();
    }

  private:
    std::string FFile;
    TOutputFile FOut;
    std::string FTmpDir;
    lxw_workbook *FBook = nullptr;
    lxw_worksheet *FSheet = nullptr;
    lxw_row_t FRow = 0;
    int FPicture = -1, FName = 0;
    bool FClosed = false;
};

} // namespace

std::unique_ptr<TRecordReader> OpenXlsxReader(const std::string &file, const std::string &sheet) {
    return std::make_unique<TXlsxReader>(file, sheet);
}

std::unique_ptr<TRecordWriter> CreateXlsxWriter(const std::string &file) {
    return std::make_unique<TXlsxWriter>(file);
}

std::vector<std::string> XlsxSheets(const std::string &file) {
    auto zip = OpenZip(file);
    std::vector<std::string> names;
    for (const auto &s : ReadWorkbook(zip.get(), file).Sheets)
        names.push_back(s.Name);
    return names;
}

} // namespace kadrolin::exchange

#include "exchange/vcard.h"

#include "exchange/mapper.h"
#include "exchange/outputfile.h"

#include <QByteArray>

namespace kadrolin::exchange {

using data::TValue;

namespace {

std::string Escape(const std::string &v) {
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) {
        char c = v[i];
        if (c == '\\' || c == ',' || c == ';') {
            out += '\\';
            out += c;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < v.size() && v[i + 1] == '\n') ++i;
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

class TVCardWriter : public TRecordWriter {
  public:
    explicit TVCardWriter(const std::string &file) : FOut(file) {
        for (const char *f : {"A_Adi", "A_EvTel", "A_EvTel2", "A_CepTel", "A_CepTel2", "A_Mail", "A_Adres",
                              "A_Meslek", "F_Adi", "D_Aciklama", "A_Resim"})
            FIndex.push_back(ImportColumnIndex(f));
    }

    void Write(const std::vector<TValue> &row) override {
        auto v = [&](int k) -> const std::string & {
            return row[static_cast<size_t>(FIndex[static_cast<size_t>(k)])].Bytes;
        };
        FCard = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
        const std::string &name = v(0);
        Line("FN:" + Escape(name));
        // The last word is the family name, the rest the given names.
        auto cut = name.find_last_of(' ');
        std::string family = cut == std::string::npos ? name : name.substr(cut + 1);
        std::string given = cut == std::string::npos ? std::string() : name.substr(0, cut);
        Line("N:" + Escape(family) + ";" + Escape(given) + ";;;");
        for (int k : {1, 2})
            if (!v(k).empty()) Line("TEL;TYPE=HOME,VOICE:" + Escape(v(k)));
        for (int k : {3, 4})
            if (!v(k).empty()) Line("TEL;TYPE=CELL,VOICE:" + Escape(v(k)));
        if (!v(5).empty()) Line("EMAIL;TYPE=INTERNET:" + Escape(v(5)));
        if (!v(6).empty()) Line("ADR;TYPE=HOME:;;" + Escape(v(6)) + ";;;;");
        if (!v(7).empty()) Line("TITLE:" + Escape(v(7)));
        if (!v(8).empty()) Line("ORG:" + Escape(v(8)));
        if (!v(9).empty()) Line("NOTE:" + Escape(v(9)));
        if (!v(10).empty())
            Line("PHOTO;ENCODING=b;TYPE=JPEG:" +
                 QByteArray::fromRawData(v(10).data(), static_cast<int>(v(10).size()))
                     .toBase64()
                     .toStdString());
        FCard += "END:VCARD\r\n";
        FOut.Write(FCard);
    }

    void Finish() override { FOut.Commit(); }

  private:
    // Lines longer than 75 octets are folded, never inside a UTF-8 character.
    void Line(const std::string &s) {
        size_t pos = 0, limit = 75;
        while (s.size() - pos > limit) {
            size_t end = pos + limit;
            while (end > pos && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80)
                --end;
            FCard.append(s, pos, end - pos);
            FCard += "\r\n ";
            pos = end;
            limit = 74; // the leading blank counts
        }
        FCard.append(s, pos, std::string::npos);
        FCard += "\r\n";
    }

    TOutputFile FOut;
    std::vector<int> FIndex;
    std::string FCard;
};

} // namespace

std::unique_ptr<TRecordWriter> CreateVCardWriter(const std::string &file) {
    return std::make_unique<TVCardWriter>(file);
}

} // namespace kadrolin::exchange

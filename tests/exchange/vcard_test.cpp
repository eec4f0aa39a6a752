// vCard export: what a phone's contacts app reads from each card.
#include "exchange/runs.h"
#include "exchangetestutil.h"

#include <QByteArray>

#include <gtest/gtest.h>

using namespace kadrolin;
using namespace kadrolin::exchange;
using namespace kadrolin::testing;

TEST(VCard, OneFoldedCardPerPersonWithEscapedValuesAndThePhoto) {
    TTempDir dir;
    std::string photo(3000, '\0');
    for (size_t i = 0; i < photo.size(); ++i)
        photo[i] = static_cast<char>(i * 7);
    std::string reg = MakeRegister(dir, {{{"A_Adi", "Ayşe Nur Işık"},
                                          {"A_EvTel", "0212 555"},
                                          {"A_CepTel", "0532 111"},
                                          {"A_CepTel2", "0533 2"},
                                          {"A_Mail", "ayse@example.org"},
                                          {"A_Adres", "Çarşı Cad. 3; Kat 2, Üsküdar"},
                                          {"A_Meslek", "Öğretmen"},
                                          {"F_Adi", "Merkez Okulu"},
                                          {"F_Tel", "SİCİL-1"},
                                          {"D_Aciklama", "satır 1\r\nsatır 2 \\ son"},
                                          {"A_Resim", photo}},
                                         {{"A_Adi", "Veli"}}});
    {
        data::TDatabase db(reg);
        EXPECT_EQ(ExportFile(db, dir / "rehber.vcf"), 2);
    }
    const std::string bytes = ReadBytes(dir / "rehber.vcf");
    std::vector<std::string> lines; // unfolded
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos);
        std::string physical = bytes.substr(pos, end - pos);
        EXPECT_LE(physical.size(), 75u);
        EXPECT_EQ(physical.find('\n'), std::string::npos);
        if (physical.starts_with(" "))
            lines.back() += physical.substr(1);
        else
            lines.push_back(physical);
        pos = end + 2;
    }
    const std::vector<std::string> expected = {
        "BEGIN:VCARD",
        "VERSION:3.0",
        "FN:Ayşe Nur Işık",
        "N:Işık;Ayşe Nur;;;",
        "TEL;TYPE=HOME,VOICE:0212 555",
        "TEL;TYPE=CELL,VOICE:0532 111",
        "TEL;TYPE=CELL,VOICE:0533 2",
        "EMAIL;TYPE=INTERNET:ayse@example.org",
        "ADR;TYPE=HOME:;;Çarşı Cad. 3\\; Kat 2\\, Üsküdar;;;;",
        "TITLE:Öğretmen",
        "ORG:Merkez Okulu",
        "NOTE:satır 1\\nsatır 2 \\\\ son",
    };
    ASSERT_GE(lines.size(), expected.size() + 2);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(expected.size())),
              expected);
    const std::string &photoLine = lines[expected.size()];
    ASSERT_TRUE(photoLine.starts_with("PHOTO;ENCODING=b;TYPE=JPEG:"));
    EXPECT_EQ(QByteArray::fromBase64(QByteArray::fromStdString(photoLine.substr(27))).toStdString(), photo);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<long>(expected.size()) + 1, lines.end()),
              (std::vector<std::string>{"END:VCARD", "BEGIN:VCARD", "VERSION:3.0", "FN:Veli", "N:Veli;;;;",
                                        "END:VCARD"}));
}

#include "records/recordlayout.h"

#include <array>

namespace kadrolin::records {

namespace {

constexpr std::array<const char *, 2> kCins = {"Erkek", "Bayan"};
constexpr std::array<const char *, 3> kAskerlik = {"Yaptı", "Yapmadı", "Tecilli"};
constexpr std::array<const char *, 2> kKimlik = {"Nüfus Cüzdanı", "Sürücü Belgesi"};
// Not alphabetical: the provinces in their old plate order, the newer ones after.
constexpr std::array<const char *, 81> kIller = {
    "Adana",     "Adıyaman",  "Afyon",     "Ağrı",    "Amasya",     "Ankara",  "Antalya",    "Artvin",
    "Aydın",     "Balıkesir", "Bilecik",   "Bingöl",  "Bitlis",     "Bolu",    "Burdur",     "Bursa",
    "Çanakkale", "Çankırı",   "Çorum",     "Denizli", "Diyarbakır", "Edirne",  "Elazığ",     "Erzincan",
    "Erzurum",   "Eskişehir", "Gaziantep", "Giresun", "Gümüşhane",  "Hakkari", "Hatay",      "Isparta",
    "İçel",      "İstanbul",  "İzmir",     "Kars",    "Kastamonu",  "Kayseri", "Kırklareli", "Kırşehir",
    "Kocaeli",   "Konya",     "Kütahya",   "Malatya", "Manisa",     "K.Maraş", "Mardin",     "Muğla",
    "Muş",       "Nevşehir",  "Niğde",     "Ordu",    "Rize",       "Sakarya", "Samsun",     "Siirt",
    "Sinop",     "Sivas",     "Tekirdağ",  "Tokat",   "Trabzon",    "Tunceli", "Ş.Urfa",     "Uşak",
    "Van",       "Yozgat",    "Zonguldak", "Aksaray", "Bayburt",    "Karaman", "Kırıkkale",  "Batman",
    "Şırnak",    "Bartın",    "Ardahan",   "Iğdır",   "Yalova",     "Karabük", "Kilis",      "Osmaniye",
    "Düzce"};

constexpr std::span<const char *const> kNone{};

// clang-format off
const TColumnLayout kLayout[] = {
    // Page 1: personal details
    {"A_Adi",     "Adı Soyadı",     "Label1",  "DBEdit1",     ckEdit,     0, 1, gcLeftMiddle, 8,   32,  233, true,  kNone},
    {"A_EvTel",   "Ev Telefonu",    "Label2",  "DBEdit2",     ckEdit,     0, 1, gcRight,      248, 32,  105, true,  kNone},
    {"A_Adres",   "Ev Adresi",      "Label6",  "DBEdit6",     ckEdit,     0, 2, gcLeftMiddle, 8,   72,  233, true,  kNone},
    {"A_EvTel2",  "Ev Telefonu 2",  "Label3",  "DBEdit3",     ckEdit,     0, 2, gcRight,      248, 72,  105, true,  kNone},
    {"A_Ilce",    "Sınıfı",         "Label7",  "DBEdit7",     ckEdit,     0, 3, gcLeft,       8,   112, 113, true,  kNone},
    {"A_Il",      "İstihdam Türü",  "Label8",  "DBEdit36",    ckEdit,     0, 3, gcMiddle,     128, 112, 113, true,  kNone},
    {"A_CepTel",  "Cep Telefonu :", "Label4",  "DBEdit4",     ckEdit,     0, 3, gcRight,      248, 112, 105, true,  kNone},
    {"A_Meslek",  "Unvanı",         "Label9",  "DBEdit8",     ckEdit,     0, 4, gcLeft,       8,   152, 113, true,  kNone},
    {"A_Cins",    "Cinsiyeti",      "Label10", "DBComboBox2", ckComboBox, 0, 4, gcMiddle,     128, 152, 113, false, kCins},
    {"A_CepTel2", "Cep Telefonu 2", "Label5",  "DBEdit5",     ckEdit,     0, 4, gcRight,      248, 152, 105, true,  kNone},
    {"A_Web",     "Diğer",          "Label12", "DBEdit10",    ckEdit,     0, 5, gcLeft,       8,   192, 137, false, kNone},
    {"A_Mail",    "E-Mail Adresi",  "Label11", "DBEdit9",     ckEdit,     0, 5, gcMiddle,     152, 192, 177, false, kNone},
    {"A_Resim",   nullptr,          nullptr,   "Image1",      ckPicture,  0, 0, gcFourth,     360, 32,  113, false, kNone},
    // Page 2: job details
    {"F_Adi",     "Görev Yeri",             "Label16", "DBEdit11",    ckEdit,     1, 1, gcLeftMiddle, 8,   32,  265, true,  kNone},
    {"F_Tel",     "Kurum Sicil No",         "Label18", "DBEdit13",    ckEdit,     1, 1, gcRight,      312, 32,  129, true,  kNone},
    {"F_Adres",   "Görev Yeri Adresi",      "Label17", "DBEdit12",    ckEdit,     1, 2, gcLeftMiddle, 8,   72,  265, true,  kNone},
    {"F_Tel2",    "Emekli Sicil No",        "Label27", "DBEdit14",    ckEdit,     1, 2, gcRight,      312, 72,  129, true,  kNone},
    {"F_Ilce",    "Göreve Başlama Tarihi",  "Label13", "DBEdit15",    ckEdit,     1, 3, gcLeft,       8,   112, 129, true,  kNone},
    {"F_Il",      "B. Yerde Gör.Bş.Tarihi", "Label20", "DBEdit37",    ckEdit,     1, 3, gcMiddle,     144, 112, 129, true,  kNone},
    {"F_Faks",    "Kademe/Derece",          "Label19", "DBEdit16",    ckEdit,     1, 3, gcRight,      312, 112, 129, true,  kNone},
    {"F_Plaka",   "Öğrenim Durumu",         "Label15", "DBEdit27",    ckEdit,     1, 4, gcLeft,       8,   152, 129, true,  kNone},
    {"F_VergiNo", "Okul",                   "Label22", "DBEdit17",    ckEdit,     1, 4, gcMiddle,     144, 152, 129, true,  kNone},
    {"F_Mail",    "Kan Grubu",              "Label25", "DBEdit20",    ckEdit,     1, 4, gcRight,      312, 152, 129, false, kNone},
    {"F_VergiD",  "Bölüm/Sınıf",            "Label24", "DBEdit19",    ckEdit,     1, 5, gcLeft,       8,   192, 129, true,  kNone},
    {"F_Web",     "Hafızlık Durumu/Diğer",  "Label26", "DBEdit21",    ckEdit,     1, 5, gcMiddle,     144, 192, 129, false, kNone},
    {"F_CepTel",  "Askerlik Durumu",        "Label23", "DBComboBox1", ckComboBox, 1, 5, gcRight,      312, 192, 129, false, kAskerlik},
    // Page 3: identity card
    {"K_Turu",    "Kimlik Türü :",       "Label14", "DBComboBox4", ckComboBox, 2, 1, gcLeft,   8,   32,  153, false, kKimlik},
    {"K_Seri",    "Kimlik Seri No:",     "Label28", "DBEdit22",    ckEdit,     2, 1, gcMiddle, 168, 32,  153, true,  kNone},
    {"K_TcNo",    "T.C Kimlik No :",     "Label29", "DBEdit23",    ckEdit,     2, 1, gcRight,  328, 32,  145, true,  kNone},
    {"K_Baba",    "Baba Adı :",          "Label30", "DBEdit24",    ckEdit,     2, 2, gcLeft,   8,   72,  153, true,  kNone},
    {"K_Il",      "İli:",                "Label34", "DBComboBox5", ckComboBox, 2, 2, gcMiddle, 168, 72,  153, false, kIller},
    {"K_Ilce",    "İlçesi :",            "Label35", "DBEdit28",    ckEdit,     2, 2, gcRight,  328, 72,  145, true,  kNone},
    {"K_Ana",     "Ana Adı :",           "Label31", "DBEdit25",    ckEdit,     2, 3, gcLeft,   8,   112, 153, true,  kNone},
    {"K_Mahalle", "Mahalle veya Köyü :", "Label36", "DBEdit29",    ckEdit,     2, 3, gcMiddle, 168, 112, 153, true,  kNone},
    {"K_Cilt",    "Cilt No :",           "Label37", "DBEdit30",    ckEdit,     2, 3, gcRight,  328, 112, 97,  true,  kNone},
    {"K_DYeri",   "Doğum Yeri :",        "Label32", "DBEdit26",    ckEdit,     2, 4, gcLeft,   8,   152, 153, true,  kNone},
    {"K_VYer",    "Verildiği Yer :",     "Label40", "DBEdit33",    ckEdit,     2, 4, gcMiddle, 168, 152, 153, true,  kNone},
    {"K_Aile",    "Aile Sıra No :",      "Label38", "DBEdit31",    ckEdit,     2, 4, gcRight,  328, 152, 97,  true,  kNone},
    {"K_DTarihi", "Doğum Tarihi :",      "Label33", "DBEdit34",    ckEdit,     2, 5, gcLeft,   8,   192, 153, false, kNone},
    {"K_VTarihi", "Veriliş Tarihi :",    "Label41", "DBEdit35",    ckEdit,     2, 5, gcMiddle, 168, 192, 153, false, kNone},
    {"K_Sira",    "Sıra No :",           "Label39", "DBEdit32",    ckEdit,     2, 5, gcRight,  328, 192, 97,  true,  kNone},
    // Page 4: other notes
    {"D_Aciklama", "Düşünceler :", "Label21", "Yazi", ckMemo, 3, 0, gcWholePage, 16, 32, 449, false, kNone},
};

const TPageLayout kPages[] = {
    {" Kişisel Bilgiler", "Kisisel", "GroupBox1"},
    {" Görev / İş Bilgileri ", "Firma", "GroupBox2"},
    {" Kimlik Bilgileri ", "Kimlik", "GroupBox3"},
    {" Diğer / Yakın Bilgileri", "Diger", "GroupBox4"},
};
// clang-format on

} // namespace

std::span<const TColumnLayout> RecordLayout() {
    return kLayout;
}

const TColumnLayout *FindColumn(std::string_view fieldName) {
    for (const TColumnLayout &c : kLayout)
        if (fieldName == c.FieldName) return &c;
    return nullptr;
}

std::span<const TPageLayout> PageLayout() {
    return kPages;
}

} // namespace kadrolin::records

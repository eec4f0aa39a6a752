#include "reports/form2.h"

TForm2 *Form2 = nullptr;

namespace {
using K = TQRElementKind;
using A = TQRAlignment;
const QColor kBlack(0, 0, 0), kWhite(255, 255, 255);
const TQRFont kBig{12, true, kBlack};      // report heading
const TQRFont kSmall{8, false, kBlack};    // dates, page numbers, values of the detailed report
const TQRFont kSmallBold{8, true, kBlack}; // captions of the detailed report
const TQRFont kHeader{9, true, kWhite};    // white captions on the black bar
const TQRFont kName{9, true, kBlack};      // the name column
const TQRFont kPhone{9, false, kBlack};    // the other columns
constexpr double kLine = 4.50, kBigLine = 5.29;

void AddPageElements(TQuickRep &rep, const QString &pageNo, const QString &label, const QString &date) {
    rep.PageElements = {
        QRSysData(pageNo, K::SysPageNumber, 186.27, 285.75, kLine, kSmall),
        QRLabel(label, QStringLiteral("Sayfa :"), 175.68, 285.75, kLine, kSmall),
        QRSysData(date, K::SysDate, 21.17, 285.75, kLine, kSmall),
    };
}
} // namespace

void DefinePhoneList(TQuickRep &rep) {
    rep.setObjectName(QStringLiteral("QuickRep1"));
    rep.ReportTitle = QStringLiteral("Kayıtlı Telefonlar");
    rep.Page = TQRPageSetup{};
    rep.Bands.clear();

    TQRBand title{QStringLiteral("QRBand1"), TQRBandType::Title, 10.58, kWhite, {}};
    title.Elements = {
        QRLabel(QStringLiteral("QRLabel1"), QStringLiteral("Kayıtlı Telefonlar"), 78.32, 2.12, kBigLine,
                kBig),
        QRSysData(QStringLiteral("QRSysData6"), K::SysDate, 181.77, 6.35, kLine, kSmall, A::Right),
    };

    TQRBand header{QStringLiteral("QRBand3"), TQRBandType::ColumnHeader, 5.03, kBlack, {}};
    header.Elements = {
        QRLabel(QStringLiteral("QRLabel2"), QStringLiteral("Ev Telefonu"), 65.62, 0.79, kLine, kHeader,
                A::Left, true),
        QRLabel(QStringLiteral("QRLabel3"), QStringLiteral("Cep Telefonu"), 99.48, 0.79, kLine, kHeader,
                A::Left, true),
        QRLabel(QStringLiteral("QRLabel4"), QStringLiteral("Kurum Sicil No"), 133.35, 0.79, kLine, kHeader,
                A::Left, true),
        QRLabel(QStringLiteral("QRLabel6"), QStringLiteral("Adı Soyadı"), 16.93, 0.79, kLine, kHeader,
                A::Left, true),
    };

    TQRBand detail{QStringLiteral("QRBand2"), TQRBandType::Detail, 5.82, kWhite, {}};
    detail.Elements = {
        QRDBText(QStringLiteral("QRDBText1"), QStringLiteral("A_Adi"), 16.93, 0.53, kLine, kName),
        QRDBText(QStringLiteral("QRDBText2"), QStringLiteral("A_EvTel"), 65.62, 0.53, kLine, kPhone),
        QRDBText(QStringLiteral("QRDBText3"), QStringLiteral("A_CepTel"), 99.48, 0.53, kLine, kPhone),
        QRDBText(QStringLiteral("QRDBText4"), QStringLiteral("F_Tel"), 133.35, 0.53, kLine, kPhone),
        QRShape(QStringLiteral("QRShape1"), 0.00, 5.29, 189.97, 0.26),
    };
    rep.Bands = {title, header, detail};
    AddPageElements(rep, QStringLiteral("QRSysData1"), QStringLiteral("QRLabel5"),
                    QStringLiteral("QRSysData2"));
}

void DefineDetailReport(TQuickRep &rep) {
    rep.setObjectName(QStringLiteral("QuickRep2"));
    rep.ReportTitle = QStringLiteral("Kişisel Detaylar");
    rep.Page = TQRPageSetup{};
    rep.Bands.clear();

    TQRBand title{QStringLiteral("QRBand4"), TQRBandType::Title, 10.58, kWhite, {}};
    title.Elements = {
        QRLabel(QStringLiteral("QRLabel7"), QStringLiteral("Kişisel Detaylar"), 95.12, 2.12, kBigLine, kBig,
                A::Center),
        QRSysData(QStringLiteral("QRSysData5"), K::SysDate, 179.65, 6.35, kLine, kSmall, A::Right),
    };

    // Four text rows; captions at 14.82 / 84.67 / 129.12, colons at 38.10 /
    // 103.72 / 139.70, values at 40.22 / 105.83 / 141.82.
    constexpr double r1 = 2.12, r2 = 6.35, r3 = 10.58, r4 = 14.82;
    auto value = [](const char *name, const char *field, double left, double top) {
        return QRDBText(QString::fromLatin1(name), QString::fromLatin1(field), left, top, kLine, kSmall);
    };
    auto caption = [](const char *name, const QString &text, double left, double top) {
        return QRLabel(QString::fromLatin1(name), text, left, top, kLine, kSmallBold);
    };
    const QString colon = QStringLiteral(":");
    TQRBand detail{QStringLiteral("QRBand5"), TQRBandType::Detail, 21.96, kWhite, {}};
    detail.Elements = {
        QRShape(QStringLiteral("QRShape3"), 80.43, 0.00, 99.75, 21.43),
        QRShape(QStringLiteral("QRShape2"), 10.58, 0.00, 70.11, 21.43),
        value("QRDBText5", "A_Adi", 40.22, r1),
        value("QRDBText6", "A_EvTel", 40.22, r2),
        value("QRDBText7", "A_CepTel", 40.22, r3),
        value("QRDBText8", "F_Tel", 40.22, r4),
        caption("QRLabel8", QStringLiteral("Adı Soyadı"), 14.82, r1),
        caption("QRLabel9", QStringLiteral("Ev Telefonu"), 14.82, r2),
        caption("QRLabel10", QStringLiteral("Cep Telefonu"), 14.82, r3),
        caption("QRLabel11", QStringLiteral("Kurum Sicil No"), 14.82, r4),
        caption("QRLabel13", colon, 38.10, r4),
        caption("QRLabel14", colon, 38.10, r1),
        caption("QRLabel15", colon, 38.10, r2),
        caption("QRLabel16", colon, 38.10, r3),
        caption("QRLabel17", QStringLiteral("İstihdam T."), 84.67, r1),
        caption("QRLabel18", QStringLiteral("Sınıfı"), 129.12, r1),
        caption("QRLabel19", QStringLiteral("Unvanı"), 84.67, r2),
        caption("QRLabel20", QStringLiteral("Ev Adresi"), 84.67, r3),
        caption("QRLabel21", QStringLiteral("Mail Adresi"), 84.67, r4),
        caption("QRLabel22", colon, 103.72, r4),
        caption("QRLabel23", colon, 139.70, r1),
        caption("QRLabel24", colon, 103.72, r1),
        caption("QRLabel25", colon, 103.72, r2),
        caption("QRLabel26", colon, 103.72, r3),
        value("QRDBText9", "A_Il", 105.83, r1),
        value("QRDBText10", "A_Meslek", 105.83, r2),
        value("QRDBText11", "A_Adres", 105.83, r3),
        value("QRDBText12", "A_Mail", 105.83, r4),
        value("QRDBText13", "A_Ilce", 141.82, r1),
    };
    rep.Bands = {title, detail};
    AddPageElements(rep, QStringLiteral("QRSysData3"), QStringLiteral("QRLabel12"),
                    QStringLiteral("QRSysData4"));
}

TForm2::TForm2(TReportDataSet *data, QObject *parent) : QObject(parent) {
    setObjectName(QStringLiteral("Form2"));
    QuickRep1 = new TQuickRep(this);
    DefinePhoneList(*QuickRep1);
    QuickRep1->DataSet = data;
    QuickRep2 = new TQuickRep(this);
    DefineDetailReport(*QuickRep2);
    QuickRep2->DataSet = data;
}

TForm2::TForm2(std::unique_ptr<TReportDataSet> data, QObject *parent) : TForm2(data.get(), parent) {
    FData = std::move(data);
}

TForm2::~TForm2() {
    if (Form2 == this) Form2 = nullptr;
}

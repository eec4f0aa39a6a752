#include "mainwindow/importdlg.h"

#include "records/recordlayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace kadrolin;
using namespace kadrolin::exchange;

namespace {
QString Q(const std::string &s) {
    return QString::fromStdString(s);
}
constexpr int kPreviewRows = 5;
} // namespace

TImportDlg::TImportDlg(const QString &fileName, QWidget *parent)
    : QDialog(parent), FFile(fileName.toStdString()) {
    setObjectName("ImportDlg");
    setWindowTitle(QStringLiteral("İçe Aktar"));
    resize(760, 520);
    auto *layout = new QVBoxLayout(this);
    auto *file = new QLabel(QStringLiteral("Dosya: ") + fileName, this);
    layout->addWidget(file);
    CmbTablo = new QComboBox(this);
    CmbTablo->setObjectName("CmbTablo");
    CmbTablo->setAccessibleName(QStringLiteral("Sayfa ya da tablo"));
    layout->addWidget(CmbTablo);
    GrdEsleme = new QTableWidget(this);
    GrdEsleme->setObjectName("GrdEsleme");
    GrdEsleme->setAccessibleName(QStringLiteral("Sütun eşlemesi"));
    GrdEsleme->setColumnCount(2);
    GrdEsleme->setHorizontalHeaderLabels(
        {QStringLiteral("Kadrolin sütunu"), QStringLiteral("Dosyadaki sütun")});
    GrdEsleme->horizontalHeader()->setStretchLastSection(true);
    GrdEsleme->verticalHeader()->hide();
    layout->addWidget(GrdEsleme, 2);
    layout->addWidget(new QLabel(QStringLiteral("Kaydedilecek ilk satırlar:"), this));
    GrdOnizleme = new QTableWidget(this);
    GrdOnizleme->setObjectName("GrdOnizleme");
    GrdOnizleme->setAccessibleName(QStringLiteral("Önizleme"));
    GrdOnizleme->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(GrdOnizleme, 1);
    ChkTekrar = new QCheckBox(QStringLiteral("Zaten kayıtlı olan kişileri de ekle"), this);
    ChkTekrar->setObjectName("ChkTekrar");
    layout->addWidget(ChkTekrar);
    auto *buttons = new QDialogButtonBox(this);
    auto *ok = buttons->addButton(QStringLiteral("Tamam"), QDialogButtonBox::AcceptRole);
    ok->setObjectName("BtnTamam");
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("İptal"), QDialogButtonBox::RejectRole)->setObjectName("BtnIptal");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    try {
        for (const auto &t : SourceTables(FFile))
            CmbTablo->addItem(Q(t));
    } catch (const std::exception &e) {
        Error = QString::fromUtf8(e.what());
    }
    CmbTablo->setVisible(CmbTablo->count() > 0);
    // An Access file with the old program's table starts there.
    int old = CmbTablo->findText(Q(records::kTableName), Qt::MatchFixedString);
    if (old >= 0) CmbTablo->setCurrentIndex(old);
    connect(CmbTablo, &QComboBox::currentIndexChanged, this, [this] { LoadTable(); });
    if (Error.isEmpty()) LoadTable();
    ok->setEnabled(Error.isEmpty());
}

void TImportDlg::LoadTable() {
    Error.clear();
    TImportOptions o;
    o.Table = CmbTablo->currentText().toStdString();
    TMapping guess;
    try {
        auto preview = PreviewImport(FFile, o, 0);
        FSourceColumns = preview.SourceColumns;
        guess = preview.Mapping;
    } catch (const std::exception &e) {
        // A file with no column we know still opens: the user maps by hand.
        FSourceColumns.clear();
        try {
            auto reader = OpenReader(FFile, o.Table);
            FSourceColumns = reader->Columns();
            guess = GuessMapping(FSourceColumns);
        } catch (const std::exception &e2) {
            Error = QString::fromUtf8(e2.what());
        }
    }
    const auto &fields = ImportColumns();
    GrdEsleme->setRowCount(static_cast<int>(fields.size()));
    auto layout = records::RecordLayout();
    for (size_t f = 0; f < fields.size(); ++f) {
        const char *caption = layout[f].Caption ? layout[f].Caption : "Resim";
        auto *item = new QTableWidgetItem(QString::fromUtf8(caption) + " (" + Q(fields[f]) + ")");
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        GrdEsleme->setItem(static_cast<int>(f), 0, item);
        auto *combo = new QComboBox(GrdEsleme);
        combo->setObjectName(Q(fields[f]));
        combo->setAccessibleName(QString::fromUtf8(caption));
        combo->addItem(QStringLiteral("(aktarılmaz)"), -1);
        for (size_t s = 0; s < FSourceColumns.size(); ++s)
            combo->addItem(Q(FSourceColumns[s]), static_cast<int>(s));
        if (!guess.Sources.empty() && !guess.Sources[f].empty())
            combo->setCurrentIndex(combo->findData(guess.Sources[f].front()));
        connect(combo, &QComboBox::currentIndexChanged, this, [this] { UpdatePreview(); });
        GrdEsleme->setCellWidget(static_cast<int>(f), 1, combo);
    }
    GrdEsleme->resizeColumnToContents(0);
    UpdatePreview();
}

TImportOptions TImportDlg::Options() const {
    TImportOptions o;
    o.Table = CmbTablo->currentText().toStdString();
    TMapping m;
    m.Sources.resize(ImportColumns().size());
    for (int f = 0; f < GrdEsleme->rowCount(); ++f)
        if (auto *combo = qobject_cast<QComboBox *>(GrdEsleme->cellWidget(f, 1)))
            if (int s = combo->currentData().toInt(); s >= 0) m.Sources[static_cast<size_t>(f)].push_back(s);
    o.Mapping = m;
    o.AddDuplicates = ChkTekrar->isChecked();
    return o;
}

void TImportDlg::SetSource(const QString &field, int source) {
    int f = ImportColumnIndex(field.toStdString());
    if (f < 0) return;
    if (auto *combo = qobject_cast<QComboBox *>(GrdEsleme->cellWidget(f, 1)))
        combo->setCurrentIndex(combo->findData(source));
}

void TImportDlg::UpdatePreview() {
    GrdOnizleme->clear();
    GrdOnizleme->setRowCount(0);
    if (!Error.isEmpty()) {
        GrdOnizleme->setColumnCount(1);
        GrdOnizleme->setHorizontalHeaderLabels({QStringLiteral("Dosya okunamıyor")});
        GrdOnizleme->setRowCount(1);
        GrdOnizleme->setItem(0, 0, new QTableWidgetItem(Error));
        GrdOnizleme->horizontalHeader()->setStretchLastSection(true);
        return;
    }
    TImportOptions o = Options();
    std::vector<int> shown; // the register columns that get something
    for (size_t f = 0; f < o.Mapping->Sources.size(); ++f)
        if (!o.Mapping->Sources[f].empty()) shown.push_back(static_cast<int>(f));
    GrdOnizleme->setColumnCount(static_cast<int>(shown.size()));
    QStringList headers;
    for (int f : shown)
        headers << Q(ImportColumns()[static_cast<size_t>(f)]);
    GrdOnizleme->setHorizontalHeaderLabels(headers);
    if (shown.empty()) return;
    try {
        auto preview = PreviewImport(FFile, o, kPreviewRows);
        GrdOnizleme->setRowCount(static_cast<int>(preview.Rows.size()));
        for (size_t r = 0; r < preview.Rows.size(); ++r)
            for (size_t c = 0; c < shown.size(); ++c) {
                const auto &v = preview.Rows[r][static_cast<size_t>(shown[c])];
                QString text = v.Kind == data::TValue::vkBlob
                                   ? QStringLiteral("(resim, %1 bayt JPEG)").arg(v.Bytes.size())
                                   : Q(v.Bytes);
                GrdOnizleme->setItem(static_cast<int>(r), static_cast<int>(c), new QTableWidgetItem(text));
            }
    } catch (const std::exception &e) {
        GrdOnizleme->setRowCount(1);
        GrdOnizleme->setItem(0, 0, new QTableWidgetItem(QString::fromUtf8(e.what())));
    }
}

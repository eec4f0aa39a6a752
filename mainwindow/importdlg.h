#pragma once
// The import preview: the file's columns beside ours with the guessed
// mapping, editable, and the first rows as they will be stored.
#include "exchange/mapper.h"
#include "exchange/runs.h"

#include <QDialog>

class QComboBox;
class QTableWidget;
class QCheckBox;

class TImportDlg : public QDialog {
    Q_OBJECT
  public:
    TImportDlg(const QString &fileName, QWidget *parent = nullptr);

    QComboBox *CmbTablo = nullptr;       // sheet or Access table (hidden for CSV)
    QTableWidget *GrdEsleme = nullptr;   // our column, caption, source column chooser
    QTableWidget *GrdOnizleme = nullptr; // the first rows as stored
    QCheckBox *ChkTekrar = nullptr;      // add people already in the register too
    QString Error;                       // why the file cannot be read, shown in place of the preview

    // The options the import runs with: table, the edited mapping, duplicates.
    kadrolin::exchange::TImportOptions Options() const;
    // Chooses source column source (-1: none) for our column field.
    void SetSource(const QString &field, int source);

  private:
    void LoadTable();
    void UpdatePreview();
    std::string FFile;
    std::vector<std::string> FSourceColumns;
};

#pragma once
// The main window's query as the rows of a report. Every call goes to the
// query as it stands, so moves and searches made while a report runs are
// seen, and a query that is gone or closed ends the run with an error.
#include "platform/report/dataset.h"

#include <QPointer>

class TForm1;

class TQueryReportData : public TReportDataSet {
  public:
    explicit TQueryReportData(TForm1 &form);
    void First() override;
    void Next() override;
    bool Eof() const override;
    std::string FieldText(const std::string &name) const override;
    int RecordCount() const override;
    void Sync() override;

  private:
    QPointer<TForm1> FForm;
};

// The print commands of the main window's "Rapor" menu and its "Yazdır" button.
void TelYazdr1Click(TForm1 &form);
void DetayYazdir1Click(TForm1 &form);
// Connects the two menu items to their commands, each entered through the
// application's guard.
void ConnectReportCommands(TForm1 &form);

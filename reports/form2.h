#pragma once
// The window that holds the two report definitions. It is never shown; every
// print command makes a new one, so printer settings never carry over.
#include "platform/report/quickrep.h"

#include <QWidget>
#include <memory>

class TForm2 : public QWidget {
    Q_OBJECT
  public:
    // Every report and data element reads from data (not owned).
    explicit TForm2(TReportDataSet *data, QWidget *parent = nullptr);
    // Keeps the rows' adapter for as long as the window lives.
    explicit TForm2(std::unique_ptr<TReportDataSet> data, QWidget *parent = nullptr);
    ~TForm2() override;

    TQuickRep *QuickRep1; // phone list
    TQuickRep *QuickRep2; // detailed report

  private:
    std::unique_ptr<TReportDataSet> FData;
};

// The most recently created report window.
extern TForm2 *Form2;

// The two definitions, as element tables.
void DefinePhoneList(TQuickRep &rep);
void DefineDetailReport(TQuickRep &rep);

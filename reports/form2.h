#pragma once
// The holder of the two report definitions, a window that is never shown, so
// nothing on screen: every print command makes a new one, owned by the
// application object, so printer settings never carry over.
#include "platform/report/quickrep.h"

#include <QObject>
#include <memory>

class TForm2 : public QObject {
    Q_OBJECT
  public:
    // Every report and data element reads from data (not owned).
    explicit TForm2(TReportDataSet *data, QObject *parent = nullptr);
    // Keeps the rows' adapter for as long as the window lives.
    explicit TForm2(std::unique_ptr<TReportDataSet> data, QObject *parent = nullptr);
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

#pragma once
// The two print commands: each makes a new report window and previews one of
// its reports over the given rows, returning when the preview is closed.
#include "reports/form2.h"

#include <memory>
#include <vector>

// Phone list ("Telefonları Yazdır ...").
void PreviewPhoneList(std::unique_ptr<TReportDataSet> data);
// Detailed report ("Detaylı Yazdır ...").
void PreviewDetailReport(std::unique_ptr<TReportDataSet> data);

// Every report window made so far; they stay, hidden, until the program ends.
const std::vector<TForm2 *> &ReportWindows();

#include "reports/querydata.h"

#include "mainwindow/form1.h"
#include "platform/widgets/application.h"
#include "reports/reportcommands.h"

#include <QAction>
#include <stdexcept>

namespace {
kadrolin::data::TQuery &QueryOf(const QPointer<TForm1> &form) {
    // The main window may close while a report still runs.
    if (!form || !form->ADOQuery1)
        throw std::runtime_error("ADOQuery1: Cannot perform this operation on a closed dataset");
    return *form->ADOQuery1;
}
} // namespace

TQueryReportData::TQueryReportData(TForm1 &form) : FForm(&form) {}

// The run's own moves reach the controls only at Sync, once a frame: what is
// painted is always the run's current row, without a repaint per person.
void TQueryReportData::First() {
    QueryOf(FForm).FirstDeferred();
}

void TQueryReportData::Next() {
    QueryOf(FForm).MoveByDeferred(1);
}

void TQueryReportData::Sync() {
    if (FForm && FForm->ADOQuery1) FForm->ADOQuery1->SyncControls();
}

bool TQueryReportData::Eof() const {
    auto &q = QueryOf(FForm);
    // A query closed during the run must not read as simply finished.
    q.RecordCount();
    return q.Eof();
}

std::string TQueryReportData::FieldText(const std::string &name) const {
    auto &q = QueryOf(FForm);
    kadrolin::data::TField *f = q.FindField(name);
    if (!f || f->IsBlob()) return {};
    return f->AsString();
}

int TQueryReportData::RecordCount() const {
    return QueryOf(FForm).RecordCount();
}

void TelYazdr1Click(TForm1 &form) {
    PreviewPhoneList(std::make_unique<TQueryReportData>(form));
}

void DetayYazdir1Click(TForm1 &form) {
    PreviewDetailReport(std::make_unique<TQueryReportData>(form));
}

void ConnectReportCommands(TForm1 &form) {
    QPointer<TForm1> f(&form);
    if (form.TelYazdr1)
        QObject::connect(form.TelYazdr1, &QAction::triggered, &form, [f] {
            if (f) Application().Guard([&] { TelYazdr1Click(*f); });
        });
    if (form.DetayYazdir1)
        QObject::connect(form.DetayYazdir1, &QAction::triggered, &form, [f] {
            if (f) Application().Guard([&] { DetayYazdir1Click(*f); });
        });
}

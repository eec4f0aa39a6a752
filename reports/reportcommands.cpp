#include "reports/reportcommands.h"

#include "platform/widgets/application.h"

#include <QCoreApplication>

namespace {
std::vector<TForm2 *> &Windows() {
    static std::vector<TForm2 *> windows;
    return windows;
}

TForm2 *NewForm2(std::unique_ptr<TReportDataSet> data) {
    auto *form = new TForm2(std::move(data), &Application());
    QObject::connect(form, &QObject::destroyed, [form] { std::erase(Windows(), form); });
    Windows().push_back(form);
    Form2 = form;
    return form;
}
} // namespace

const std::vector<TForm2 *> &ReportWindows() {
    return Windows();
}

void PreviewPhoneList(std::unique_ptr<TReportDataSet> data) {
    NewForm2(std::move(data))->QuickRep1->Preview();
}

void PreviewDetailReport(std::unique_ptr<TReportDataSet> data) {
    NewForm2(std::move(data))->QuickRep2->Preview();
}

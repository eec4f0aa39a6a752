#include "settings/mainformview.h"

#include "mainwindow/srdbgrid.h"
#include "platform/widgets/tabset.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVariant>
#include <QWidget>

namespace MainFormNames {
namespace {
QStringList Numbered(const QString &prefix, int first, int last) {
    QStringList l;
    for (int i = first; i <= last; ++i)
        l << prefix + QString::number(i);
    return l;
}
} // namespace

const QStringList &DataEdits() {
    static const QStringList l =
        Numbered(QStringLiteral("DBEdit"), 1, 17) + Numbered(QStringLiteral("DBEdit"), 19, 37);
    return l;
}

const QStringList &LoaderExtras() {
    static const QStringList l = {QStringLiteral("DBComboBox1"), QStringLiteral("DBEdit36"),
                                  QStringLiteral("DBComboBox2"), QStringLiteral("DBEdit37"),
                                  QStringLiteral("DBComboBox4"), QStringLiteral("DBComboBox5"),
                                  QStringLiteral("Yazi"),        QStringLiteral("Edit1")};
    return l;
}

const QStringList &ContentControls() {
    static const QStringList l =
        Numbered(QStringLiteral("DBEdit"), 1, 17) + QStringList{"DBComboBox1"} +
        Numbered(QStringLiteral("DBEdit"), 19, 36) +
        QStringList{"DBComboBox2", "DBEdit37", "DBComboBox4", "DBComboBox5", "Edit1", "Yazi"};
    return l;
}

const QStringList &CaptionLabels() {
    static const QStringList l = Numbered(QStringLiteral("Label"), 1, 41);
    return l;
}
} // namespace MainFormNames

namespace {
// Where the stored value of a colour is kept beside what the widget shows.
const char *const ColorValue = "kadrolinColor";
const char *const FontColorValue = "kadrolinFontColor";

void SetRoles(QWidget *w, std::initializer_list<QPalette::ColorRole> roles, const QColor &c,
              bool disabledToo) {
    QPalette p = w->palette();
    for (auto role : roles) {
        p.setColor(QPalette::Active, role, c);
        p.setColor(QPalette::Inactive, role, c);
        if (disabledToo) p.setColor(QPalette::Disabled, role, c);
    }
    w->setPalette(p);
}

TColor StoredOr(const QObject *o, const char *name, TColor designed) {
    const QVariant v = o->property(name);
    return v.isValid() ? static_cast<TColor>(v.toInt()) : designed;
}

bool ReadBoolProperty(const QObject *o, const char *name, bool designed) {
    if (!o) return designed;
    const QVariant v = o->property(name);
    return v.isValid() ? v.toBool() : designed;
}

void WriteBoolProperty(QObject *o, const char *name, bool on) {
    if (!o) return;
    o->setProperty(name, on);
    if (auto *w = qobject_cast<QWidget *>(o)) w->update();
}

QPalette::ColorRole TextRole(const QWidget *w) {
    return qobject_cast<const QLabel *>(w) ? QPalette::WindowText : QPalette::Text;
}

const char *const BindingName = "kadrolinPictureOptions";

class TPictureOptionsBinding : public QObject {
  public:
    TPictureOptionsBinding(QObject *owner, TPictureOptions options)
        : QObject(owner), Options(std::move(options)) {
        setObjectName(QString::fromLatin1(BindingName));
    }
    TPictureOptions Options;
};
} // namespace

void BindPictureOptions(QWidget *form, TPictureOptions options) {
    for (QObject *old : form->children())
        if (old->objectName() == QLatin1String(BindingName)) delete old;
    new TPictureOptionsBinding(form, std::move(options));
}

TColor KeepStoredColor(const QColor &shown, TColor previous) {
    if (ColorToQColor(previous).rgb() == shown.toRgb().rgb()) return previous;
    return QColorToColor(shown);
}

TColor WidgetColor(const QWidget *w, TColor designed) {
    const QColor shown = w->palette().color(QPalette::Active, QPalette::Base);
    return KeepStoredColor(shown, StoredOr(w, ColorValue, designed));
}

void SetWidgetColor(QWidget *w, TColor c) {
    const QColor q = ColorToQColor(c);
    auto *combo = qobject_cast<QComboBox *>(w);
    if (combo && !combo->isEditable())
        SetRoles(w, {QPalette::Base, QPalette::Button}, q, true);
    else
        SetRoles(w, {QPalette::Base}, q, true);
    w->setProperty(ColorValue, static_cast<int>(c));
}

TColor WidgetFontColor(const QWidget *w, TColor designed) {
    const QColor shown = w->palette().color(QPalette::Active, TextRole(w));
    return KeepStoredColor(shown, StoredOr(w, FontColorValue, designed));
}

void SetWidgetFontColor(QWidget *w, TColor c) {
    // Disabled text keeps the grayed look of the style.
    SetRoles(w, {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}, ColorToQColor(c), false);
    w->setProperty(FontColorValue, static_cast<int>(c));
}

QObject *TMainFormView::FindObject(const QString &name) const {
    if (!FForm) return nullptr;
    // Breadth first, and never into another window: dialogs owned by the main
    // window have components of the same names (Label1, Edit1, Image1).
    QList<QObject *> level = FForm->children();
    while (!level.isEmpty()) {
        QList<QObject *> next;
        for (QObject *o : level) {
            auto *w = qobject_cast<QWidget *>(o);
            if (w && w->isWindow()) continue;
            if (o->objectName() == name) return o;
            next += o->children();
        }
        level = std::move(next);
    }
    return nullptr;
}

QWidget *TMainFormView::Find(const QString &name) const {
    return qobject_cast<QWidget *>(FindObject(name));
}

TColor TMainFormView::Color(const QString &name) const {
    const QWidget *w = Find(name);
    return w ? WidgetColor(w) : clWindow;
}

void TMainFormView::SetColor(const QString &name, TColor c) {
    if (QWidget *w = Find(name)) SetWidgetColor(w, c);
}

TColor TMainFormView::FontColor(const QString &name) const {
    const QWidget *w = Find(name);
    return w ? WidgetFontColor(w) : clWindowText;
}

void TMainFormView::SetFontColor(const QString &name, TColor c) {
    if (QWidget *w = Find(name)) SetWidgetFontColor(w, c);
}

TColor TMainFormView::GridTitleColor() const {
    const auto *grid = qobject_cast<const TSrDBGrid *>(FindObject(QStringLiteral("DBGrid1")));
    return grid ? grid->TitleFontColor() : clWindowText;
}

void TMainFormView::SetGridTitleColor(TColor c) {
    // Only the titles: the cells keep their own colours.
    if (auto *grid = qobject_cast<TSrDBGrid *>(FindObject(QStringLiteral("DBGrid1"))))
        grid->SetTitleFontColor(c);
}

TColor TMainFormView::UnselectedTabColor() const {
    const auto *tabs = qobject_cast<const TTabSet *>(FindObject(QStringLiteral("TabSet1")));
    return tabs ? tabs->UnselectedColor() : clWindow;
}

void TMainFormView::SetUnselectedTabColor(TColor c) {
    if (auto *tabs = qobject_cast<TTabSet *>(FindObject(QStringLiteral("TabSet1"))))
        tabs->SetUnselectedColor(c);
}

const TPictureOptions *TMainFormView::Binding() const {
    if (!FForm) return nullptr;
    for (QObject *o : FForm->children())
        if (auto *b = dynamic_cast<TPictureOptionsBinding *>(o)) return &b->Options;
    return nullptr;
}

bool TMainFormView::GrayScaleOutput() const {
    if (auto *b = Binding(); b && b->GrayScaleOutput) return b->GrayScaleOutput();
    return ReadBoolProperty(FindObject(QStringLiteral("JPGCompr")), "GrayScaleOutput", false);
}

void TMainFormView::SetGrayScaleOutput(bool on) {
    if (auto *b = Binding(); b && b->SetGrayScaleOutput) return b->SetGrayScaleOutput(on);
    WriteBoolProperty(FindObject(QStringLiteral("JPGCompr")), "GrayScaleOutput", on);
}

bool TMainFormView::Stretch() const {
    if (auto *b = Binding(); b && b->Stretch) return b->Stretch();
    return ReadBoolProperty(FindObject(QStringLiteral("Image1")), "Stretch", true);
}

void TMainFormView::SetStretch(bool on) {
    if (auto *b = Binding(); b && b->SetStretch) return b->SetStretch(on);
    WriteBoolProperty(FindObject(QStringLiteral("Image1")), "Stretch", on);
}

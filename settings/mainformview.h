#pragma once
// The main window as the appearance settings see it: its components reached
// by their designed names, so the settings work on any widget tree that
// carries those names.
#include "platform/widgets/tcolor.h"

#include <QString>
#include <QStringList>
#include <functional>

class QObject;
class QWidget;

namespace MainFormNames {
// The 36 data-bound edit boxes in creation order (there is no DBEdit18).
const QStringList &DataEdits();
// Content controls that the loader recolours after the edit boxes, in its order.
const QStringList &LoaderExtras();
// All 42 content controls in the order the settings dialog recolours them.
const QStringList &ContentControls();
// The caption labels Label1..Label41.
const QStringList &CaptionLabels();
} // namespace MainFormNames

// The main window's decoder is no component that can be found by name, so
// whoever builds the main window binds the two picture options to it once.
// Without a binding they are looked up as the properties "GrayScaleOutput"
// of the object "JPGCompr" and "Stretch" of "Image1".
struct TPictureOptions {
    std::function<bool()> GrayScaleOutput;
    std::function<void(bool)> SetGrayScaleOutput;
    std::function<bool()> Stretch;
    std::function<void(bool)> SetStretch;
};
void BindPictureOptions(QWidget *form, TPictureOptions options);

class TMainFormView {
  public:
    explicit TMainFormView(QWidget *form) : FForm(form) {}

    QWidget *Form() const { return FForm; }
    QObject *FindObject(const QString &name) const;
    QWidget *Find(const QString &name) const;

    // Background of a content control; a name the window lacks reads as the
    // designed window colour and ignores writes.
    TColor Color(const QString &name) const;
    void SetColor(const QString &name, TColor c);
    // Text colour of a content control or a label.
    TColor FontColor(const QString &name) const;
    void SetFontColor(const QString &name, TColor c);

    TColor GridTitleColor() const;
    void SetGridTitleColor(TColor c);
    TColor UnselectedTabColor() const;
    void SetUnselectedTabColor(TColor c);
    bool GrayScaleOutput() const;
    void SetGrayScaleOutput(bool on);
    bool Stretch() const;
    void SetStretch(bool on);

  private:
    const TPictureOptions *Binding() const;

    QWidget *FForm;
};

// Back from a colour on screen: `previous` is kept while it still shows as
// `shown`, so a system colour written back unchanged stays a system colour.
TColor KeepStoredColor(const QColor &shown, TColor previous);

// Colours of single widgets, kept as stored values beside the palette so a
// system colour stays one when it is written back.
TColor WidgetColor(const QWidget *w, TColor designed = clWindow);
void SetWidgetColor(QWidget *w, TColor c);
TColor WidgetFontColor(const QWidget *w, TColor designed = clWindowText);
void SetWidgetFontColor(QWidget *w, TColor c);

#pragma once
// The appearance settings file "Tarvlon.ini": four colours of the editing
// screen and two picture options, applied to the main window at its creation
// and written back when it closes.
#include <QString>

class QWidget;

namespace AppearanceKeys {
// Sections and keys exactly as they stand in the file (UTF-8 here, code page
// 1254 on disk: "Seçim" is the bytes 53 65 E7 69 6D).
inline constexpr const char *Renk = "Renk";
inline constexpr const char *Zemin = "Zemin";
inline constexpr const char *Baslik = "Baslik";
inline constexpr const char *Font = "Font";
inline constexpr const char *Resim = "Resim";
inline constexpr const char *Boyut = "Boyut";
inline constexpr const char *Grup = "Grup";
inline constexpr const char *Secim = "Seçim";
inline constexpr const char *CRBox = "CRBox";
inline constexpr const char *CRBBox = "CRBBox";
} // namespace AppearanceKeys

// "Tarvlon.ini" in the directory of the running executable, whatever the
// working directory is, when the user can write there (a build tree, a
// portable copy); otherwise in the user's configuration directory
// (${XDG_CONFIG_HOME:-~/.config}/Kadrolin), beside "win.ini". Call after the
// application's name is set.
QString SettingsFileName();

// The rule above for a given executable directory and configuration
// directory. A directory under /usr never counts as writable: the installed
// program writes nothing there, even when run by root.
QString SettingsFileNameFor(const QString &executableDir, const QString &configDir);

// Applies the stored colours and picture options to the main window's named
// components; every value falls back on what the component has now. Never fails.
void LoadAppearance(QWidget *form, const QString &fileName);

// Writes the six keys in their order; raises TIniWriteError ("Unable to write
// to <path>") at the first one that cannot be written, leaving the rest unwritten.
void SaveAppearance(QWidget *form, const QString &fileName);

#include "settings/appearance.h"

#include "platform/ini/inifile.h"
#include "settings/mainformview.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

using namespace AppearanceKeys;
using kadrolin::TIniFile;

QString SettingsFileNameFor(const QString &executableDir, const QString &configDir) {
    const QString dir = QFileInfo(executableDir).canonicalFilePath();
    const bool system = dir == QLatin1String("/usr") || dir.startsWith(QLatin1String("/usr/"));
    // access() answers for the real user, as the old program's write would.
    const bool writable =
        !dir.isEmpty() && !system && ::access(QFile::encodeName(dir).constData(), W_OK) == 0;
    return QDir(writable ? executableDir : configDir).filePath(QStringLiteral("Tarvlon.ini"));
}

QString SettingsFileName() {
    return SettingsFileNameFor(QCoreApplication::applicationDirPath(),
                               QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

void LoadAppearance(QWidget *form, const QString &fileName) {
    const TIniFile ini(fileName.toStdString());
    TMainFormView f(form);
    const QString first = QStringLiteral("DBEdit1");

    // Content controls: DBEdit1 first, the other edit boxes take its colour,
    // the rest read the key again with DBEdit1's colour as default, so the
    // whole set ends up alike whether or not the key is valid.
    f.SetColor(first, ini.ReadInteger(Zemin, Renk, f.Color(first)));
    for (const QString &n : MainFormNames::DataEdits())
        f.SetColor(n, f.Color(first));
    for (const QString &n : MainFormNames::LoaderExtras())
        f.SetColor(n, ini.ReadInteger(Zemin, Renk, f.Color(first)));

    const QString label = QStringLiteral("Label1");
    f.SetFontColor(label, ini.ReadInteger(Baslik, Renk, f.FontColor(label)));
    f.SetGridTitleColor(ini.ReadInteger(Baslik, Renk, f.FontColor(label)));
    for (const QString &n : MainFormNames::CaptionLabels())
        f.SetFontColor(n, f.FontColor(label));

    f.SetFontColor(first, ini.ReadInteger(Font, Renk, f.FontColor(first)));
    for (const QString &n : MainFormNames::DataEdits())
        f.SetFontColor(n, f.FontColor(first));
    for (const QString &n : MainFormNames::LoaderExtras())
        f.SetFontColor(n, ini.ReadInteger(Font, Renk, f.FontColor(first)));

    // Only the flag: the photo on screen is not decoded again.
    f.SetGrayScaleOutput(ini.ReadBool(Resim, Renk, f.GrayScaleOutput()));
    f.SetStretch(ini.ReadBool(Resim, Boyut, f.Stretch()));
    f.SetUnselectedTabColor(ini.ReadInteger(Grup, Renk, f.UnselectedTabColor()));
}

void SaveAppearance(QWidget *form, const QString &fileName) {
    TIniFile ini(fileName.toStdString());
    const TMainFormView f(form);
    ini.WriteInteger(Zemin, Renk, f.Color(QStringLiteral("DBEdit1")));
    ini.WriteInteger(Baslik, Renk, f.FontColor(QStringLiteral("Label1")));
    ini.WriteInteger(Font, Renk, f.FontColor(QStringLiteral("DBEdit1")));
    ini.WriteBool(Resim, Renk, f.GrayScaleOutput());
    ini.WriteBool(Resim, Boyut, f.Stretch());
    ini.WriteInteger(Grup, Renk, f.UnselectedTabColor());
}

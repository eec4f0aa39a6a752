#include "pictures/picturecommands.h"

#include "platform/widgets/dialogs.h"

#include <stdexcept>

namespace kadrolin {

const char *const OpenDialog1Filter = "Tüm Resimler (*.jpg, *.bmp, *.wmf)|*.jpg;*.bmp;*.wmf|"
                                      "Jpeg Resim (*.jpg)|*.jpg|"
                                      "Bit Eşlem (-.bmp)|*.bmp|"
                                      "Meta Dosyası (*.wmf)|*.wmf";

const char *const SInvalidPictureFormat = "Geçersiz resim formatı";

namespace {
QList<std::pair<QString, QString>> FilterPairs(const QString &designed) {
    const QStringList parts = designed.split(QLatin1Char('|'));
    QList<std::pair<QString, QString>> pairs;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        pairs.push_back({parts[i], parts[i + 1]});
    return pairs;
}
} // namespace

QString FileDialogFilter(const QString &designed) {
    QStringList out;
    for (const auto &[description, patterns] : FilterPairs(designed))
        out << description + QStringLiteral(" (") +
                   QString(patterns).replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')');
    return out.join(QStringLiteral(";;"));
}

QStringList FilterDescriptions(const QString &designed) {
    QStringList out;
    for (const auto &pair : FilterPairs(designed))
        out << pair.first;
    return out;
}

void LoadPictureFile(TDBJPEGImage &image, const QString &fileName) {
    // The file is read into a graphic of its own first: a failure leaves the
    // photo untouched, and only reading the file is reported as a bad format.
    std::unique_ptr<TGraphic> graphic;
    try {
        const std::string name = fileName.toStdString();
        const TFileFormat *format = FindFileFormat(FileExtension(name));
        if (!format) throw std::runtime_error("unknown extension");
        graphic = format->Factory();
        graphic->LoadFromFile(name);
    } catch (const std::exception &) {
        throw std::runtime_error(SInvalidPictureFormat);
    }
    image.Picture().SetGraphic(std::move(graphic));
}

bool AddPictureFromFile(TDBJPEGImage &image, QWidget *parent) {
    QString fileName;
    if (!OpenFileDialog(parent, FileDialogFilter(QString::fromUtf8(OpenDialog1Filter)), 0, fileName))
        return false;
    LoadPictureFile(image, fileName);
    return true;
}

void DeletePicture(TDBJPEGImage &image) {
    image.Picture().Clear();
}

TPicturePanelState PicturePanelState(const TDBJPEGImage &image, bool clipboardHasPicture,
                                     const QString &mailText) {
    TPicturePanelState s;
    s.Yapistir2 = clipboardHasPicture;
    const bool hasPicture = image.Picture().Graphic() != nullptr;
    s.Kopyala2 = s.Sil2 = s.Kes2 = s.BtnRSil = hasPicture;
    s.BtnMail = !mailText.isEmpty();
    return s;
}

} // namespace kadrolin

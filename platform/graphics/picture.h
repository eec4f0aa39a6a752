#pragma once
// A picture holds one graphic of any registered kind and loads files by
// their extension. Registered at start: "bmp" bitmaps, "ico" icons, "wmf" and
// "emf" metafiles; other kinds (JPEG) register themselves.
#include "platform/graphics/graphic.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kadrolin {

class TBitmap;
class TMetafile;
class TIcon;

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

struct TFileFormat {
    std::string Extension; // lower case, no dot
    std::string Description;
    TGraphicFactory Factory;
    const void *Kind = nullptr; // identifies the registering class for removal
};

// The registry of file kinds. Extensions are matched without regard to case;
// a later registration of the same extension replaces the earlier one.
void RegisterFileFormat(const std::string &extension, const std::string &description, TGraphicFactory factory,
                        const void *kind);
void UnregisterGraphicClass(const void *kind);
const TFileFormat *FindFileFormat(const std::string &extension);
std::vector<TFileFormat> FileFormats();
// "All (*.jpg;*.bmp;...)" followed by one filter per kind, for file dialogs.
std::string GraphicFilter();

class TPicture {
  public:
    TPicture() = default;
    TPicture(const TPicture &) = delete;
    TPicture &operator=(const TPicture &) = delete;

    TGraphic *Graphic() const { return FGraphic.get(); }
    // Takes a copy of the graphic (none: the picture becomes empty).
    void SetGraphic(const TGraphic *graphic);
    // Takes the graphic over.
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    void Assign(const TPicture &source) { SetGraphic(source.Graphic()); }
    void Clear() { SetGraphic(std::unique_ptr<TGraphic>()); }

    TBitmap *Bitmap() const;     // the graphic when it is a bitmap (of any subclass)
    TMetafile *Metafile() const; // the graphic when it is a metafile
    TIcon *Icon() const;
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }

    // Picks the kind from the extension; fails with
    // "Unknown picture file extension (.%s)" for an unregistered one.
    void LoadFromFile(const std::string &fileName);
    void SaveToFile(const std::string &fileName) const;

    // Fired once for every change of the graphic or of its content.
    std::function<void(TPicture &)> OnChange;

  private:
    void Changed();
    std::unique_ptr<TGraphic> FGraphic;
};

// The extension of a file name without its dot, lower case ("" for none).
std::string FileExtension(const std::string &fileName);

} // namespace kadrolin

#include "platform/graphics/picture.h"

#include "platform/graphics/bitmap.h"
#include "platform/graphics/icon.h"
#include "platform/graphics/metafile.h"

#include <algorithm>
#include <stdexcept>

namespace kadrolin {

namespace {

std::string Lower(std::string s) {
    for (auto &c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

const char BitmapKind = 0, IconKind = 0, MetafileKind = 0;

std::vector<TFileFormat> &Registry() {
    static std::vector<TFileFormat> formats = [] {
        std::vector<TFileFormat> f;
        f.push_back({"bmp", "Bitmaps", [] { return std::make_unique<TBitmap>(); }, &BitmapKind});
        f.push_back({"ico", "Icons", [] { return std::make_unique<TIcon>(); }, &IconKind});
        f.push_back(
            {"emf", "Enhanced Metafiles", [] { return std::make_unique<TMetafile>(); }, &MetafileKind});
        f.push_back({"wmf", "Metafiles", [] { return std::make_unique<TMetafile>(); }, &MetafileKind});
        return f;
    }();
    return formats;
}

} // namespace

std::string FileExtension(const std::string &fileName) {
    auto slash = fileName.find_last_of("/\\");
    auto dot = fileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return Lower(fileName.substr(dot + 1));
}

void RegisterFileFormat(const std::string &extension, const std::string &description, TGraphicFactory factory,
                        const void *kind) {
    auto ext = Lower(extension);
    auto &r = Registry();
    r.erase(std::remove_if(r.begin(), r.end(), [&](const TFileFormat &f) { return f.Extension == ext; }),
            r.end());
    r.insert(r.begin(), TFileFormat{ext, description, std::move(factory), kind});
}

void UnregisterGraphicClass(const void *kind) {
    auto &r = Registry();
    r.erase(std::remove_if(r.begin(), r.end(), [&](const TFileFormat &f) { return f.Kind == kind; }),
            r.end());
}

const TFileFormat *FindFileFormat(const std::string &extension) {
    auto ext = Lower(extension);
    for (const auto &f : Registry())
        if (f.Extension == ext) return &f;
    return nullptr;
}

std::vector<TFileFormat> FileFormats() {
    return Registry();
}

std::string GraphicFilter() {
    std::string all, each;
    for (const auto &f : Registry()) {
        all += (all.empty() ? "*." : ";*.") + f.Extension;
        each += ";;" + f.Description + " (*." + f.Extension + ")";
    }
    return "All (" + all + ")" + each;
}

void TPicture::Changed() {
    if (OnChange) OnChange(*this);
}

void TPicture::SetGraphic(const TGraphic *graphic) {
    SetGraphic(graphic ? graphic->Clone() : std::unique_ptr<TGraphic>());
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
    if (!graphic && !FGraphic) return;
    FGraphic = std::move(graphic);
    if (FGraphic) FGraphic->OnChange = [this](TGraphic &) { Changed(); };
    Changed();
}

TBitmap *TPicture::Bitmap() const {
    return dynamic_cast<TBitmap *>(FGraphic.get());
}
TMetafile *TPicture::Metafile() const {
    return dynamic_cast<TMetafile *>(FGraphic.get());
}
TIcon *TPicture::Icon() const {
    return dynamic_cast<TIcon *>(FGraphic.get());
}

void TPicture::LoadFromFile(const std::string &fileName) {
    auto ext = FileExtension(fileName);
    const TFileFormat *format = FindFileFormat(ext);
    if (!format) throw std::runtime_error("Unknown picture file extension (." + ext + ")");
    auto graphic = format->Factory();
    graphic->LoadFromFile(fileName);
    SetGraphic(std::move(graphic));
}

void TPicture::SaveToFile(const std::string &fileName) const {
    if (FGraphic) FGraphic->SaveToFile(fileName);
}

} // namespace kadrolin

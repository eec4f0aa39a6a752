#include "platform/graphics/graphic.h"

namespace kadrolin {

void TGraphic::LoadFromFile(const std::string &fileName) {
    TFileStream stream(fileName, TFileMode::OpenRead);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string &fileName) {
    TFileStream stream(fileName, TFileMode::Create);
    SaveToStream(stream);
    stream.Close();
}

} // namespace kadrolin

#pragma once
// The picture kinds' common base: something that loads from and saves to a
// stream or a file, has a size, and tells listeners when it changed or how
// far a long load or save has come.
#include "platform/graphics/stream.h"

#include <functional>
#include <memory>
#include <string>

namespace kadrolin {

enum class TProgressStage { Starting, Running, Ending };

class TGraphic {
  public:
    TGraphic() = default;
    // A copy has the content only; listeners stay with the original.
    TGraphic(const TGraphic &) {}
    TGraphic &operator=(const TGraphic &) { return *this; }
    virtual ~TGraphic() = default;

    virtual std::unique_ptr<TGraphic> Clone() const = 0;
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;

    virtual void LoadFromStream(TStream &stream) = 0;
    virtual void SaveToStream(TStream &stream) const = 0;
    virtual void LoadFromFile(const std::string &fileName);
    virtual void SaveToFile(const std::string &fileName);

    // Fired after the graphic's content changed.
    std::function<void(TGraphic &)> OnChange;
    // Long loads and saves report their stage, percentage and a text.
    std::function<void(TGraphic &, TProgressStage, int, const std::string &)> OnProgress;

  protected:
    void Changed() {
        if (OnChange) OnChange(*this);
    }
    void Progress(TProgressStage stage, int percent, const std::string &msg) {
        if (OnProgress) OnProgress(*this, stage, percent, msg);
    }
};

} // namespace kadrolin

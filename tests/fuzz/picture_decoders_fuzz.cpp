// libFuzzer entry: every picture reader over the same bytes.
#include "tests/fuzz/picture_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    kadrolin_fuzz::DecodeAll(data, size);
    return 0;
}

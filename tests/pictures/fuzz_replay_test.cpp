// The fuzzing corpus, replayed: every seed and every input that once found a
// fault goes through all picture readers on each test run.
#include "tests/fuzz/picture_decoders.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(FuzzCorpus, EveryInputIsReadWithoutFault) {
    const std::filesystem::path dir = std::filesystem::path(KADROLIN_SOURCE_DIR) / "tests/fuzz/corpus";
    int files = 0;
    for (const auto &entry : std::filesystem::directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        SCOPED_TRACE(entry.path().filename().string());
        kadrolin::TFileStream f(entry.path().string(), kadrolin::TFileMode::OpenRead);
        auto bytes = f.ReadRest();
        kadrolin_fuzz::DecodeAll(bytes.data(), bytes.size());
        ++files;
    }
    EXPECT_GE(files, 10);
}

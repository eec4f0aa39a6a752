#pragma once
// An output file that appears only when complete: written under a temporary
// name beside the target (owner-only, as the register is) and renamed over
// it by Commit. Destroyed without Commit, it leaves nothing behind.
#include <cstdio>
#include <string>
#include <string_view>

namespace kadrolin::exchange {

class TOutputFile {
  public:
    explicit TOutputFile(const std::string &target);
    ~TOutputFile();
    TOutputFile(const TOutputFile &) = delete;
    TOutputFile &operator=(const TOutputFile &) = delete;

    // The temporary file, for a library that writes it by name: our handle
    // is closed first.
    const std::string &HandOver();
    void Write(std::string_view bytes);
    // Flushes, checks the disk took everything, renames over the target.
    void Commit();

  private:
    [[noreturn]] void Fail(const std::string &why);
    std::string FTarget, FTemp;
    std::FILE *FFile = nullptr;
    bool FCommitted = false;
};

} // namespace kadrolin::exchange

#pragma once
// Byte streams the picture code reads from and writes to: memory (database
// columns, the clipboard) and files. Read returns how many bytes it gave,
// which may be fewer than asked at the end; Write how many it took.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kadrolin {

enum class TSeekOrigin { Begin, Current, End };

class TStream {
  public:
    virtual ~TStream() = default;
    virtual std::size_t Read(void *buffer, std::size_t count) = 0;
    virtual std::size_t Write(const void *buffer, std::size_t count) = 0;
    // Returns the new position; a position outside the stream fails.
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    virtual std::int64_t Position() = 0;
    virtual std::int64_t Size() = 0;

    void ReadBuffer(void *buffer, std::size_t count);        // all or an error
    void WriteBuffer(const void *buffer, std::size_t count); // all or an error
    // Everything from the current position to the end.
    std::vector<std::uint8_t> ReadRest();
};

class TMemoryStream : public TStream {
  public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<std::uint8_t> data) : FData(std::move(data)) {}
    TMemoryStream(const void *data, std::size_t size);

    std::size_t Read(void *buffer, std::size_t count) override;
    std::size_t Write(const void *buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Position() override { return static_cast<std::int64_t>(FPos); }
    std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }

    const std::vector<std::uint8_t> &Data() const { return FData; }
    std::vector<std::uint8_t> &Data() { return FData; }
    void Clear() {
        FData.clear();
        FPos = 0;
    }

  private:
    std::vector<std::uint8_t> FData;
    std::size_t FPos = 0;
};

enum class TFileMode { OpenRead, Create };

class TFileStream : public TStream {
  public:
    // Fails with "Cannot open file "%s"" or "Cannot create file "%s"".
    TFileStream(const std::string &fileName, TFileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream &) = delete;
    TFileStream &operator=(const TFileStream &) = delete;

    std::size_t Read(void *buffer, std::size_t count) override;
    std::size_t Write(const void *buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Position() override;
    std::int64_t Size() override;
    // Flushes and reports a failed write (full disk) as an error.
    void Close();

  private:
    std::FILE *FFile = nullptr;
    std::string FName;
};

} // namespace kadrolin

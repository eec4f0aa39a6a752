#include "platform/ini/inifile.h"

#include "platform/ini/inidocument.h"
#include "platform/text/cp1254.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace kadrolin {

namespace {

// Larger files are not profile files; refusing them keeps a stray path from
// eating memory, and a write refuses rather than lose what it cannot hold.
constexpr off_t kMaxFileSize = 64 * 1024 * 1024;

enum class TReadState { Missing, Read, Unusable };

struct TFileContent {
    TReadState State = TReadState::Missing;
    std::string Bytes;
    struct stat Info {};
};

class TFd {
  public:
    explicit TFd(int fd) : FFd(fd) {}
    ~TFd() {
        if (FFd >= 0) ::close(FFd);
    }
    TFd(const TFd &) = delete;
    TFd &operator=(const TFd &) = delete;
    int Get() const { return FFd; }
    int Release() {
        const int fd = FFd;
        FFd = -1;
        return fd;
    }

  private:
    int FFd;
};

TFileContent ReadWholeFile(const std::string &path) {
    TFileContent r;
    // O_NONBLOCK so that a FIFO at the path cannot hang us; regular files ignore it.
    TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) {
        r.State = (errno == ENOENT || errno == ENOTDIR) ? TReadState::Missing : TReadState::Unusable;
        return r;
    }
    if (::fstat(fd.Get(), &r.Info) != 0 || !S_ISREG(r.Info.st_mode) || r.Info.st_size > kMaxFileSize) {
        r.State = TReadState::Unusable;
        return r;
    }
    r.Bytes.reserve(static_cast<size_t>(r.Info.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || r.Bytes.size() + static_cast<size_t>(n) > static_cast<size_t>(kMaxFileSize)) {
            r.State = TReadState::Unusable;
            r.Bytes.clear();
            return r;
        }
        if (n == 0) break;
        r.Bytes.append(buf, static_cast<size_t>(n));
    }
    r.State = TReadState::Read;
    return r;
}

bool WriteAll(int fd, const std::string &bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

constexpr std::string_view kTempInfix = ".tmp";

// ".<name>.tmp<pid>-<counter>-<tick>" beside the file.
std::string TempName(const std::filesystem::path &target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    const auto tick =
        static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    // Built by appending: g++ 12 warns falsely (-Wrestrict) on "." + string&&.
    std::string name = ".";
    name += target.filename().string();
    name += kTempInfix;
    name += std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
            std::to_string((tick + attempt) % 1000000);
    return (target.parent_path() / name).string();
}

bool AllDigits(std::string_view s) {
    return !s.empty() && s.size() <= 18 && s.find_first_not_of("0123456789") == s.npos;
}

// The writing process of a temporary name of ours for target, or 0 when the
// name is not one of ours.
pid_t TempOwner(std::string_view entry, std::string_view targetName) {
    if (entry.size() < 1 + targetName.size() + kTempInfix.size() || entry[0] != '.' ||
        entry.substr(1, targetName.size()) != targetName ||
        entry.substr(1 + targetName.size(), kTempInfix.size()) != kTempInfix)
        return 0;
    std::string_view rest = entry.substr(1 + targetName.size() + kTempInfix.size());
    const size_t dash1 = rest.find('-');
    const size_t dash2 = dash1 == rest.npos ? rest.npos : rest.find('-', dash1 + 1);
    if (dash2 == rest.npos || !AllDigits(rest.substr(0, dash1)) ||
        !AllDigits(rest.substr(dash1 + 1, dash2 - dash1 - 1)) || !AllDigits(rest.substr(dash2 + 1)))
        return 0;
    const long long pid = std::stoll(std::string(rest.substr(0, dash1)));
    return pid > 0 && pid <= INT32_MAX ? static_cast<pid_t>(pid) : 0;
}

// A write killed between creating its temporary file and the rename leaves
// that file behind; one whose process is gone is never finished by anyone.
void RemoveStaleTemporaries(const std::filesystem::path &target) {
    const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : ".";
    const std::string targetName = target.filename().string();
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        const pid_t owner = TempOwner(entry, targetName);
        if (owner == 0 || owner == ::getpid()) continue;
        if (::kill(owner, 0) == 0 || errno != ESRCH) continue; // still running (or not ours to ask)
        struct stat info {};
        // Only plain files: never follow a link someone put there.
        if (::lstat(it->path().c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid())
            ::unlink(it->path().c_str());
    }
}

// Replaces target with bytes through a temporary file in the same directory
// and a rename; on any failure the old file is left as it was.
bool ReplaceFile(const std::filesystem::path &target, const std::string &bytes, const TFileContent &old,
                 TIniFileAccess access) {
    const bool exists = old.State == TReadState::Read;
    const bool ownerOnly = access == TIniFileAccess::OwnerOnly;
    std::string tmp;
    int raw = -1;
    for (unsigned attempt = 0; attempt < 100 && raw < 0; ++attempt) {
        tmp = TempName(target, attempt);
        // A new shared file gets its mode through the umask; everything else
        // starts owner-only and gets its final mode below.
        raw = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                     static_cast<mode_t>(exists || ownerOnly ? 0600 : 0666));
        if (raw < 0 && errno != EEXIST) return false;
    }
    if (raw < 0) return false;
    TFd fd(raw);
    bool ok = WriteAll(fd.Get(), bytes);
    if (ok && exists) {
        // Owner first: changing it may clear set-id bits, which the chmod restores.
        if (::fchown(fd.Get(), old.Info.st_uid, old.Info.st_gid) != 0) {
            // Only root may give a file away; an ordinary user's own file keeps its owner anyway.
        }
    }
    // A secret is never readable by others, whatever mode the old file had
    // or the umask allows.
    if (ok && (exists || ownerOnly))
        ok = ::fchmod(fd.Get(), ownerOnly ? 0600 : (old.Info.st_mode & 07777)) == 0;
    ok = ok && ::fsync(fd.Get()) == 0;
    ok = ::close(fd.Release()) == 0 && ok;
    ok = ok && ::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself durable; a failure here loses nothing already written.
    const std::string dir = target.has_parent_path() ? target.parent_path().string() : std::string(".");
    TFd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.Get() >= 0) ::fsync(dirFd.Get());
    return true;
}

bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != s.npos;
}

} // namespace

TIniWriteError::TIniWriteError(const std::string &fileName)
    : std::runtime_error("Unable to write to " + fileName), FFileName(fileName) {}

TIniFile::TIniFile(std::string fileName, TIniFileAccess access)
    : FFileName(std::move(fileName)), FAccess(access) {}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
    const TFileContent file = ReadWholeFile(FFileName);
    if (file.State != TReadState::Read) return std::string(defaultValue);
    const TIniDocument doc(file.Bytes);
    const auto raw = doc.FindValue(Utf8ToCp1254(TrimIniBlanks(section)), Utf8ToCp1254(TrimIniBlanks(key)));
    if (!raw) return std::string(defaultValue);
    std::string_view value = UnquoteIniValue(*raw);
    // The old functions handed back a C string in a fixed buffer.
    value = value.substr(0, value.find('\0'));
    value = value.substr(0, MaxValueLength);
    return Cp1254ToUtf8(value);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const {
    const std::string text = ReadString(section, key, "");
    return ParseIniInteger(text).value_or(defaultValue);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TIniFile::SectionExists(std::string_view section) const {
    const TFileContent file = ReadWholeFile(FFileName);
    if (file.State != TReadState::Read) return false;
    return TIniDocument(file.Bytes).HasSection(Utf8ToCp1254(TrimIniBlanks(section)));
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
    const TFileContent file = ReadWholeFile(FFileName);
    if (file.State != TReadState::Read) return false;
    return TIniDocument(file.Bytes)
        .FindValue(Utf8ToCp1254(TrimIniBlanks(section)), Utf8ToCp1254(TrimIniBlanks(key)))
        .has_value();
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string sectionBytes = Utf8ToCp1254(TrimIniBlanks(section));
    const std::string keyBytes = Utf8ToCp1254(TrimIniBlanks(key));
    const std::string valueBytes = Utf8ToCp1254(value);
    // Anything that would not read back as this one section, key and value is refused.
    if (sectionBytes.empty() || HasLineBreakOrNul(sectionBytes) ||
        sectionBytes.find(']') != std::string::npos || keyBytes.empty() || HasLineBreakOrNul(keyBytes) ||
        keyBytes.find('=') != std::string::npos || keyBytes.front() == '[' || keyBytes.front() == ';' ||
        HasLineBreakOrNul(valueBytes))
        throw TIniWriteError(FFileName);

    std::filesystem::path target(FFileName);
    std::error_code ec;
    // Write through a symbolic link to the file it names, instead of replacing the link.
    if (std::filesystem::is_symlink(target, ec)) {
        const auto resolved = std::filesystem::weakly_canonical(target, ec);
        if (ec) throw TIniWriteError(FFileName);
        target = resolved;
    }

    const TFileContent old = ReadWholeFile(target.string());
    // A file we could not read whole would lose its other sections.
    if (old.State == TReadState::Unusable) throw TIniWriteError(FFileName);
    if (old.State == TReadState::Read) {
        // A read-only file stays unwritten, even for a user (root) the
        // permissions would not stop.
        if ((old.Info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
            throw TIniWriteError(FFileName);
    }

    RemoveStaleTemporaries(target);
    TIniDocument doc(old.Bytes);
    doc.SetValue(sectionBytes, keyBytes, QuoteIniValue(valueBytes));
    if (!ReplaceFile(target, doc.Bytes(), old, FAccess)) throw TIniWriteError(FFileName);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

} // namespace kadrolin

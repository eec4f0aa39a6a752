#include "tool/tool.h"

#include "exchange/backup.h"
#include "exchange/exchange.h"
#include "exchange/runs.h"
#include "records/recordcommands.h"
#include "records/recordlayout.h"

#include <filesystem>
#include <stdexcept>

namespace kadrolin::tool {

namespace {

// A command line that makes no sense: the usage follows the message.
class EUsage : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

std::string Import(const TToolArgs &a) {
    const std::string reg = a.Register();
    // A script may start a register from a spreadsheet.
    if (!std::filesystem::exists(reg)) records::CreateRegister(reg);
    data::TDatabase db(reg);
    exchange::TImportOptions options;
    options.Table = a.Option("--table");
    options.MapFile = a.Option("--map");
    auto result = exchange::ImportFile(db, a.Positional[0], options);
    std::string out = result.Summary();
    for (const auto &w : result.Warnings)
        out += "\nuyarı: " + w;
    if (result.WarningCount > static_cast<long long>(result.Warnings.size()))
        out += "\nuyarı: ... ve " +
               std::to_string(result.WarningCount - static_cast<long long>(result.Warnings.size())) +
               " uyarı daha";
    return out;
}

std::string Export(const TToolArgs &a) {
    data::TDatabase db(a.Register());
    long long n = exchange::ExportFile(db, a.Positional[0]);
    return std::to_string(n) + " kişi dışa aktarıldı: " + a.Positional[0];
}

std::string Backup(const TToolArgs &a) {
    long long n = exchange::BackupRegister(a.Register(), a.Positional[0]);
    return "Yedek alındı: " + a.Positional[0] + " (" + std::to_string(n) + " kişi)";
}

std::string Restore(const TToolArgs &a) {
    const std::string reg = a.Register();
    const bool hadOne = std::filesystem::exists(reg);
    long long n = exchange::RestoreRegister(a.Positional[0], reg);
    std::string out = "Yedekten geri yüklendi: " + std::to_string(n) + " kişi";
    if (hadOne) out += "; önceki kayıt dosyası " + exchange::PreviousRegisterName(reg) + " olarak saklandı";
    return out;
}

const TToolCommand kCommands[] = {
    {"import",
     "FILE [--table NAME] [--map MAP.ini] [--register PATH]",
     1,
     {"--table", "--map", "--register"},
     Import},
    {"export", "FILE [--register PATH]   (FILE: .csv, .xlsx, .vcf)", 1, {"--register"}, Export},
    {"backup", "DEST [--register PATH]", 1, {"--register"}, Backup},
    {"restore", "SRC [--register PATH]", 1, {"--register"}, Restore},
};

std::string Usage() {
    std::string u = "Kullanım:\n";
    for (const auto &c : Commands())
        u += std::string("  kadrolin-tool ") + c.Name + " " + c.Usage + "\n";
    u += "Kayıt dosyası, --register verilmezse çalışma dizinindeki \"" + std::string(records::kDatabaseFile) +
         "\" dosyasıdır.\n";
    return u;
}

TToolArgs Parse(const TToolCommand &command, const std::vector<std::string> &args) {
    TToolArgs a;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string &s = args[i];
        if (s.starts_with("--")) {
            std::string name = s, value;
            bool inline_ = false;
            if (auto eq = s.find('='); eq != std::string::npos) {
                name = s.substr(0, eq);
                value = s.substr(eq + 1);
                inline_ = true;
            }
            if (std::find(command.Options.begin(), command.Options.end(), name) == command.Options.end())
                throw EUsage(std::string("'") + command.Name + "' komutu " + name + " seçeneğini tanımıyor.");
            if (!inline_) {
                if (i + 1 >= args.size()) throw EUsage(name + " seçeneğinin değeri eksik.");
                value = args[++i];
            }
            if (value.empty()) throw EUsage(name + " seçeneğinin değeri boş.");
            if (a.Options.contains(name)) throw EUsage(name + " seçeneği iki kez verildi.");
            a.Options[name] = value;
        } else {
            a.Positional.push_back(s);
        }
    }
    if (static_cast<int>(a.Positional.size()) != command.Positional)
        throw EUsage(std::string("'") + command.Name + "' komutu " + std::to_string(command.Positional) +
                     " dosya adı bekler, " + std::to_string(a.Positional.size()) + " verildi.");
    return a;
}

} // namespace

std::string TToolArgs::Register() const {
    auto it = Options.find("--register");
    return it == Options.end() ? std::string(records::kDatabaseFile) : it->second;
}

std::string TToolArgs::Option(const std::string &name) const {
    auto it = Options.find(name);
    return it == Options.end() ? std::string() : it->second;
}

std::span<const TToolCommand> Commands() {
    return kCommands;
}

int RunTool(const std::vector<std::string> &args, std::ostream &out, std::ostream &err) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        (args.empty() ? err : out) << Usage();
        return args.empty() ? 2 : 0;
    }
    const TToolCommand *command = nullptr;
    for (const auto &c : Commands())
        if (args[0] == c.Name) command = &c;
    try {
        if (!command) throw EUsage("Bilinmeyen komut: " + args[0]);
        TToolArgs a = Parse(*command, args);
        out << command->Run(a) << "\n";
        return 0;
    } catch (const EUsage &e) {
        err << "kadrolin-tool: " << e.what() << "\n" << Usage();
        return 2;
    } catch (const std::exception &e) {
        err << "kadrolin-tool: " << e.what() << "\n";
        return 1;
    }
}

} // namespace kadrolin::tool

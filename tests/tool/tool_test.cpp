// The command line: exit status, the one-line summary, messages on stderr.
#include "tool/tool.h"

#include "../exchange/exchangetestutil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

using namespace kadrolin;
using namespace kadrolin::testing;

namespace {

struct TRun {
    int Code;
    std::string Out, Err;
};

TRun RunCli(const std::vector<std::string> &args) {
    std::ostringstream out, err;
    int code = tool::RunTool(args, out, err);
    return {code, out.str(), err.str()};
}

} // namespace

TEST(Tool, ExitStatusAndMessagesForEachKindOfCommandLine) {
    TTempDir dir;
    std::string reg = MakeRegister(dir, {{{"A_Adi", "Ali Veli"}}, {{"A_Adi", "Ayşe"}}});
    const struct {
        std::vector<std::string> Args;
        int Code;
        std::string Out, Err; // parts the output must hold
    } cases[] = {
        {{}, 2, "", "Kullanım:"},
        {{"--help"}, 0, "kadrolin-tool import FILE", ""},
        {{"yedekle"}, 2, "", "Bilinmeyen komut: yedekle"},
        {{"backup"}, 2, "", "1 dosya adı bekler, 0 verildi"},
        {{"backup", "a", "b"}, 2, "", "1 dosya adı bekler, 2 verildi"},
        {{"backup", dir / "y.mdb", "--table", "x"}, 2, "", "--table seçeneğini tanımıyor"},
        {{"backup", dir / "y.mdb", "--register"}, 2, "", "--register seçeneğinin değeri eksik"},
        {{"backup", dir / "y.mdb", "--register", reg},
         0,
         "Yedek alındı: " + (dir / "y.mdb") + " (2 kişi)",
         ""},
        {{"backup", dir / "z.mdb", "--register=" + reg}, 0, "(2 kişi)", ""},
        {{"backup", dir / "y.mdb", "--register", dir / "yok.mdb"}, 1, "", "yok.mdb"},
        {{"restore", dir / "y.mdb", "--register", reg}, 0, "önceki kayıt dosyası " + reg + ".önceki", ""},
        {{"export", dir / "liste.txt", "--register", reg}, 1, "", "liste.txt"},
    };
    for (const auto &c : cases) {
        std::string line;
        for (const auto &a : c.Args)
            line += a + " ";
        TRun r = RunCli(c.Args);
        EXPECT_EQ(r.Code, c.Code) << line << r.Err;
        EXPECT_NE(r.Out.find(c.Out), std::string::npos) << line << r.Out;
        EXPECT_NE(r.Err.find(c.Err), std::string::npos) << line << r.Err;
        if (c.Code == 0) {
            EXPECT_EQ(r.Out.back(), '\n');
            EXPECT_EQ(r.Err, "");
        } else {
            EXPECT_EQ(r.Out, "");
            EXPECT_TRUE(r.Err.starts_with(c.Code == 2 && c.Args.empty() ? "Kullanım:" : "kadrolin-tool: "))
                << r.Err;
        }
    }
}

TEST(Tool, TheRegisterIsDataMdbInTheWorkingDirectoryByDefault) {
    TTempDir dir;
    MakeRegister(dir, {{{"A_Adi", "Ali Veli"}}});
    const std::string command =
        "cd '" + dir.Path().string() + "' && " KADROLIN_TOOL " backup yedek.mdb >out.txt 2>err.txt";
    EXPECT_EQ(std::system(command.c_str()), 0) << ReadBytes(dir / "err.txt");
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "Yedek alındı: yedek.mdb (1 kişi)\n");
    EXPECT_EQ(People(dir / "yedek.mdb").size(), 1u);
}

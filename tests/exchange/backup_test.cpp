// Backup and restore: a consistent copy while the register is open and being
// written, and a restore that refuses what is not a register.
#include "exchange/backup.h"
#include "exchange/exchange.h"
#include "exchangetestutil.h"

#include <gtest/gtest.h>

using namespace kadrolin;
using namespace kadrolin::exchange;
using namespace kadrolin::testing;

TEST(Backup, CopiesAnOpenRegisterWithItsUncommittedLogAndRestoresIt) {
    TTempDir dir;
    std::string reg =
        MakeRegister(dir, {{{"A_Adi", "Ali Veli"}, {"A_Resim", std::string("\xFF\xD8\0\x01", 4)}}});
    {
        // The program has the register open in write-ahead mode, a change still only in the log.
        data::TDatabase open(reg);
        open.BeginWrite();
        AddPerson(open, {{"A_Adi", "Ayşe Işık"}});
        open.Exec("COMMIT");
        ASSERT_TRUE(std::filesystem::exists(reg + "-wal"));

        EXPECT_EQ(BackupRegister(reg, dir / "yedek.mdb"), 2);
        EXPECT_FALSE(std::filesystem::exists(dir / "yedek.mdb-wal"));
        EXPECT_EQ(People(dir / "yedek.mdb"), People(reg));
        EXPECT_EQ(std::filesystem::status(dir / "yedek.mdb").permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

        AddPerson(open, {{"A_Adi", "Sonradan Eklenen"}});
        // Restoring into the register the program still has open.
        EXPECT_EQ(RestoreRegister(dir / "yedek.mdb", reg), 2);
        auto st = open.Prepare("SELECT count(*) FROM tarvelion");
        ASSERT_TRUE(st.Step());
        EXPECT_EQ(st.ColumnInt(0), 2);
    }
    EXPECT_EQ(People(reg), People(dir / "yedek.mdb"));
    ASSERT_EQ(People(PreviousRegisterName(reg)).size(), 3u);
    EXPECT_EQ(PreviousRegisterName(reg), reg + ".önceki");
}

TEST(Backup, RestoreRefusesWhatIsNotARegisterAndChangesNothing) {
    TTempDir dir;
    std::string reg = MakeRegister(dir, {{{"A_Adi", "Ali Veli"}}});
    const std::string before = ReadBytes(reg);
    sqlite3 *other = nullptr;
    sqlite3_open((dir / "other.db").c_str(), &other);
    sqlite3_exec(other, "CREATE TABLE tarvelion (A_Adi TEXT)", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    std::string damaged = ReadBytes(reg);
    damaged.resize(damaged.size() / 2);
    const struct {
        std::string Name, Bytes;
    } cases[] = {
        {"empty.mdb", ""},
        {"text.mdb", "Adı Soyadı;Ev Telefonu\r\n"},
        {"jet.mdb", std::string("\0\x01\0\0Standard Jet DB\0", 20)},
        {"damaged.mdb", damaged},
        {"other.db", ""},
        {"missing.mdb", ""},
    };
    for (const auto &c : cases) {
        if (c.Name != "other.db" && c.Name != "missing.mdb") WriteBytes(dir / c.Name, c.Bytes);
        try {
            RestoreRegister(dir / c.Name, reg);
            ADD_FAILURE() << c.Name << " was restored";
        } catch (const EExchangeError &e) {
            EXPECT_NE(std::string(e.what()).find(c.Name), std::string::npos) << e.what();
        }
        EXPECT_EQ(ReadBytes(reg), before) << c.Name;
        EXPECT_FALSE(std::filesystem::exists(PreviousRegisterName(reg))) << c.Name;
    }
}

TEST(Backup, NeverWritesOverTheRegisterItselfOrLeavesAHalfCopy) {
    TTempDir dir;
    std::string reg = MakeRegister(dir, {{{"A_Adi", "Ali Veli"}}});
    const std::string before = ReadBytes(reg);
    EXPECT_THROW(BackupRegister(reg, reg), EExchangeError);
    EXPECT_THROW(BackupRegister(reg, dir / "no-such-dir/yedek.mdb"), EExchangeError);
    EXPECT_EQ(ReadBytes(reg), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

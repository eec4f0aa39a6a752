// What only a server register does: a role that may only read, the server
// going away under an edit and coming back, and others' work showing up.
#include "registerutil.h"

#include <chrono>
#include <thread>

using namespace kadrolin;
using namespace kadrolin::data;
using namespace kadrolin::records;
using namespace kadrolin::testing;

namespace {

void AddPeople(const TRegister &r, std::initializer_list<const char *> names) {
    for (const char *n : names)
        r.Exec(std::string("INSERT INTO tarvelion (A_Adi) VALUES (") + Quoted(n) + ")");
}

// Waits for a condition, bounded; the notice travels through the server.
template <class F> bool Eventually(F f) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < until) {
        if (f()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

} // namespace

TEST(Server, ARoleThatMayOnlyReadBrowsesWithEditingDisabled) {
    TRegister r(kServer);
    AddPeople(r, {"Ali"});
    r.Exec("CREATE ROLE okur_" + r.Database + " LOGIN; GRANT SELECT ON tarvelion TO okur_" + r.Database);
    TQuery q;
    q.SetDatabaseName(Server().Address(r.Database, "okur_" + r.Database));
    RunStatement(q, OrderedStatement());
    EXPECT_EQ(q.RecordCount(), 1);
    EXPECT_TRUE(q.ReadOnly());
    EXPECT_FALSE(EditCommandEnabled(q));
    EXPECT_FALSE(q.FieldByName("A_Adi").CanModify());
    auto writer = r.Open();
    EXPECT_FALSE(writer->ReadOnly());
}

TEST(Server, UnreachableAtStartAndGoneMidEditKeepTheTypedValuesAndReconnect) {
    TRegister r(kServer);
    AddPeople(r, {"Ali"});
    TQuery nowhere;
    nowhere.SetDatabaseName("host=" + Server().Dir() + "/yok port=1 dbname=x connect_timeout=5");
    nowhere.SetSQL(OrderedStatement().Sql);
    try {
        nowhere.Open();
        FAIL();
    } catch (const EServerUnreachable &e) {
        std::string m = e.what();
        EXPECT_EQ(m.rfind("Veritabanı sunucusuna bağlanılamadı: ", 0), 0u) << m;
        EXPECT_GT(m.size(), 45u) << "the server's own text follows";
    }

    auto q = r.Open();
    q->Edit();
    q->FieldByName("A_CepTel").SetAsString("0555");
    Server().Stop();
    try {
        q->Post();
        FAIL();
    } catch (const EServerUnreachable &e) {
        EXPECT_NE(std::string(e.what()).find("Veritabanı sunucusu"), std::string::npos) << e.what();
    }
    EXPECT_EQ(q->State(), dsEdit);
    EXPECT_EQ(q->FieldByName("A_CepTel").AsString(), "0555");
    EXPECT_THROW(q->Post(), EServerUnreachable); // still down: still refused, still kept
    Server().Start();
    q->Post(); // the next command connects again
    EXPECT_EQ(q->State(), dsBrowse);
    auto fresh = r.Open();
    EXPECT_EQ(fresh->FieldByName("A_CepTel").AsString(), "0555");
}

TEST(Server, OthersWorkShowsWhileBrowsingKeepingTheCurrentPerson) {
    TRegister r(kServer);
    AddPeople(r, {"Ali", "Cem", "Zeki"});
    auto q = r.Open();
    EXPECT_FALSE(q->TakeChanged()); // starts listening
    q->SetRecNo(2);
    auto other = r.Open();
    other->Insert();
    other->FieldByName("A_Adi").SetAsString("Bora");
    other->Post();
    ASSERT_TRUE(Eventually([&] { return q->TakeChanged(); }));
    q->Refresh();
    EXPECT_EQ(q->RecordCount(), 4);
    EXPECT_EQ(q->FieldByName("A_Adi").AsString(), "Cem");
    EXPECT_EQ(q->RecNo(), 3);

    // An edit in progress is never disturbed.
    q->Edit();
    q->FieldByName("A_Il").SetAsString("Van");
    other->First();
    other->Delete(); // Ali
    ASSERT_TRUE(Eventually([&] { return q->TakeChanged(); }));
    q->Refresh();
    EXPECT_EQ(q->State(), dsEdit);
    EXPECT_EQ(q->FieldByName("A_Il").AsString(), "Van");
    q->Post();
    q->Refresh();
    EXPECT_EQ(q->RecordCount(), 3);
    EXPECT_EQ(q->FieldByName("A_Adi").AsString(), "Cem");
}

// The query over a real file: result, current-row rules, writes, optimistic
// locking, large objects and the notifications bound controls rely on.
#include "datatestutil.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace kadrolin::data;
using namespace kadrolin::data::testing;

namespace {

struct TOpenQuery {
    TOpenQuery(const std::string &file, const std::string &sql = "SELECT * FROM people") {
        Q.SetDatabaseName(file);
        Q.SetSQL(sql);
        Q.AfterScroll = [this](TQuery &) { ++Scrolls; };
        Q.Open();
    }
    TQuery Q{"Query1"};
    int Scrolls = 0;
};

std::string Name(TQuery &q) {
    return q.FieldByName("Name").AsString();
}

} // namespace

TEST(Query, OpenCountsAndScrollsBothWays) {
    TTempDir dir;
    TOpenQuery t(MakePeople(dir, {"A", "B", "C"}));
    TQuery &q = t.Q;
    EXPECT_EQ(q.State(), dsBrowse);
    EXPECT_EQ(q.RecordCount(), 3);
    EXPECT_EQ(q.RecNo(), 1);
    EXPECT_TRUE(q.Bof());
    EXPECT_FALSE(q.Eof());
    EXPECT_EQ(t.Scrolls, 1); // opening a non-empty result scrolls to its first row
    EXPECT_FALSE(q.FieldByName("Id").Visible());

    std::string seen;
    for (q.First(); !q.Eof(); q.Next())
        seen += Name(q);
    EXPECT_EQ(seen, "ABC");
    EXPECT_EQ(q.RecNo(), 3);
    q.Prior();
    EXPECT_EQ(Name(q), "B");
    q.SetRecNo(1);
    EXPECT_EQ(Name(q), "A");
    q.Prior();
    EXPECT_TRUE(q.Bof());
    EXPECT_EQ(q.RecNo(), 1);
    EXPECT_TRUE(q.Locate("Name", "c", true));
    EXPECT_EQ(q.RecNo(), 3);
    EXPECT_FALSE(q.Locate("Name", "zz"));
    EXPECT_EQ(q.RecNo(), 3);
}

TEST(Query, EmptyResultAndClosedQueryFailClearly) {
    TTempDir dir;
    TOpenQuery t(MakePeople(dir, {}));
    TQuery &q = t.Q;
    EXPECT_EQ(t.Scrolls, 0);
    EXPECT_TRUE(q.IsEmpty());
    EXPECT_TRUE(q.Bof() && q.Eof());
    EXPECT_EQ(q.RecNo(), -1);
    EXPECT_THROW(q.Delete(), EDatabaseError);
    // Editing an empty result starts a new row.
    q.Edit();
    EXPECT_EQ(q.State(), dsInsert);
    q.Cancel();
    q.Close();
    try {
        q.FieldByName("Name");
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_STREQ(e.what(), "Query1: Field 'Name' not found");
    }
    try {
        q.Insert();
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_STREQ(e.what(), "Query1: Cannot perform this operation on a closed dataset");
    }
}

TEST(Query, PostStoresWithoutMovingAndShowsWhatTheFileHolds) {
    TTempDir dir;
    std::string file = MakePeople(dir, {"A", "B", "C"});
    TOpenQuery t(file);
    TQuery &q = t.Q;
    q.SetRecNo(2);
    int scrolls = t.Scrolls;
    q.Edit();
    q.FieldByName("Name").SetAsString("Bora");
    q.FieldByName("Phone").SetAsString("555");
    q.Post();
    EXPECT_EQ(q.State(), dsBrowse);
    EXPECT_EQ(q.RecNo(), 2);
    EXPECT_EQ(t.Scrolls, scrolls); // a post runs no after-scroll
    EXPECT_EQ(RawScalar(file, "SELECT Name || '/' || Phone FROM people WHERE Id=2"), "Bora/555");
    // Clearing a field stores NULL.
    q.Edit();
    q.FieldByName("Phone").SetAsString("");
    q.Post();
    EXPECT_EQ(RawScalar(file, "SELECT Phone FROM people WHERE Id=2"), "<null>");
    EXPECT_THROW(q.FieldByName("Name").SetAsString("x"), EDatabaseError); // browsing
}

TEST(Query, MovingStoresAChangedRowAndDropsAnUnchangedOne) {
    TTempDir dir;
    std::string file = MakePeople(dir, {"A", "B", "C"});
    TOpenQuery t(file);
    TQuery &q = t.Q;
    q.Edit();
    q.FieldByName("Name").SetAsString("Aslı");
    q.Next();
    EXPECT_EQ(q.State(), dsBrowse);
    EXPECT_EQ(RawScalar(file, "SELECT Name FROM people WHERE Id=1"), "Aslı");
    q.Edit();
    q.Next(); // unchanged: dropped, nothing written
    EXPECT_EQ(q.State(), dsBrowse);
    EXPECT_EQ(q.RecNo(), 3);
    // A new row left unchanged is dropped when moving; the neighbour is current.
    q.SetRecNo(2);
    q.Insert();
    EXPECT_EQ(q.RecNo(), -1);
    EXPECT_EQ(q.CurrentIndex(), 1);
    q.First();
    EXPECT_EQ(q.RecordCount(), 3);
    EXPECT_EQ(RawScalar(file, "SELECT count(*) FROM people"), "3");
}

TEST(Query, InsertAppendCancelAndDeleteKeepANeighbourCurrent) {
    TTempDir dir;
    std::string file = MakePeople(dir, {"A", "B", "C"});
    TOpenQuery t(file);
    TQuery &q = t.Q;
    q.SetRecNo(2);
    q.Insert();
    q.FieldByName("Name").SetAsString("Yeni");
    q.Post();
    EXPECT_EQ(q.RecordCount(), 4);
    EXPECT_EQ(q.RecNo(), 2); // stays where it was inserted
    EXPECT_EQ(Names(q), (std::vector<std::string>{"A", "Yeni", "B", "C"}));

    // Insert then delete drops the new row and deletes nothing stored.
    q.Insert();
    int scrolls = t.Scrolls;
    q.Delete();
    EXPECT_EQ(q.State(), dsBrowse);
    EXPECT_EQ(q.RecordCount(), 4);
    EXPECT_EQ(Name(q), "Yeni");
    EXPECT_GT(t.Scrolls, scrolls);
    EXPECT_EQ(RawScalar(file, "SELECT count(*) FROM people"), "4");

    q.Delete(); // "Yeni"
    EXPECT_EQ(Name(q), "B");
    q.Last();
    q.Delete(); // last row: the one before becomes current
    EXPECT_EQ(Name(q), "B");
    EXPECT_EQ(q.RecNo(), 2);
    EXPECT_EQ(RawScalar(file, "SELECT group_concat(Name) FROM people"), "A,B");

    q.Append();
    q.FieldByName("Name").SetAsString("Son");
    q.Post();
    EXPECT_EQ(Names(q), (std::vector<std::string>{"A", "B", "Son"}));
    EXPECT_EQ(q.RecNo(), 3);
}

TEST(Query, OptimisticLockingBetweenTwoConnections) {
    TTempDir dir;
    std::string file = MakePeople(dir, {"Ali", "Veli"});
    TOpenQuery a(file), b(file);
    a.Q.Edit();
    a.Q.FieldByName("Phone").SetAsString("111");
    b.Q.Edit();
    b.Q.FieldByName("Name").SetAsString("Ali Han");
    b.Q.Post();
    try {
        a.Q.Post();
        FAIL() << "the second writer must not overwrite";
    } catch (const EDatabaseError &e) {
        EXPECT_STREQ(e.what(), SRowNotLocatedUpdate);
    }
    EXPECT_EQ(a.Q.State(), dsEdit);
    EXPECT_EQ(a.Q.FieldByName("Phone").AsString(), "111"); // nothing typed is lost
    EXPECT_EQ(RawScalar(file, "SELECT Name || '/' || ifnull(Phone,'-') FROM people WHERE Id=1"), "Ali Han/-");
    a.Q.Cancel();

    // A row removed by the other writer: post and delete both fail clearly.
    b.Q.Next();
    b.Q.Delete();
    a.Q.Next();
    a.Q.Edit();
    a.Q.FieldByName("Name").SetAsString("x");
    EXPECT_THROW(a.Q.Post(), EDatabaseError);
    a.Q.Cancel();
    try {
        a.Q.Delete();
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_STREQ(e.what(), SRowNotLocatedDelete);
    }
    EXPECT_EQ(RawScalar(file, "SELECT count(*) FROM people"), "1");
}

TEST(Query, LargeObjectsAreReadOnlyWhenAsked) {
    TTempDir dir;
    std::string file = MakePeople(dir, {"A", "B"});
    RawExec(file, "UPDATE people SET Photo = zeroblob(50000) WHERE Id=1");
    TOpenQuery t(file);
    TQuery &q = t.Q;
    TField &photo = q.FieldByName("Photo");
    EXPECT_TRUE(photo.IsBlob());
    EXPECT_FALSE(photo.IsNull());
    EXPECT_EQ(photo.DataSize(), 50000);
    EXPECT_EQ(photo.AsBytes().size(), 50000u);
    q.Edit();
    photo.SetAsBytes(std::string("\xff\xd8\xff\x00jpeg", 8));
    q.Post();
    EXPECT_EQ(RawScalar(file, "SELECT length(Photo) FROM people WHERE Id=1"), "8");
    EXPECT_EQ(photo.AsBytes(), std::string("\xff\xd8\xff\x00jpeg", 8));
    // Editing another column leaves an unread photo alone.
    q.Next();
    q.Edit();
    q.FieldByName("Name").SetAsString("Bora");
    q.Post();
    q.First();
    EXPECT_EQ(q.FieldByName("Photo").DataSize(), 8);
    q.Edit();
    q.FieldByName("Photo").Clear();
    q.Post();
    EXPECT_EQ(RawScalar(file, "SELECT Photo FROM people WHERE Id=1"), "<null>");
}

TEST(Query, BadDatabaseFilesGiveClearErrorsAndStayUntouched) {
    TTempDir dir;
    std::string jet = std::string("\0\x01\0\0Standard Jet DB\0", 20) + std::string(2000, 'x');
    struct Case {
        const char *Name;
        std::string Content; // empty name content: no file at all
        bool Create;
        const char *Says;
    } cases[] = {
        {"missing.mdb", "", false, "Could not find file"},
        {"jet.mdb", jet, true, "Access (Jet) database"},
        {"text.mdb", "hello, not a database", true, "unknown file format"},
        {"empty.mdb", "", true, "is empty"},
        {"broken.mdb", std::string("SQLite format 3\0", 16) + std::string(4080, '\x7f'), true, "Cannot open"},
    };
    for (const Case &c : cases) {
        std::string file = dir.File(c.Name);
        if (c.Create) {
            std::ofstream(file, std::ios::binary) << c.Content;
        }
        TQuery q;
        q.SetDatabaseName(file);
        q.SetSQL("SELECT * FROM people");
        try {
            q.Open();
            FAIL() << c.Name;
        } catch (const EDatabaseError &e) {
            EXPECT_NE(std::string(e.what()).find(c.Says), std::string::npos) << c.Name << ": " << e.what();
        }
        EXPECT_FALSE(q.Active());
        if (c.Create) {
            EXPECT_EQ(ReadAll(file), c.Content) << c.Name;
        } else {
            EXPECT_FALSE(std::filesystem::exists(file));
        }
        EXPECT_FALSE(std::filesystem::exists(file + "-wal")) << c.Name;
    }
}

TEST(Query, AForeignSQLiteFileIsReadButNeverChanged) {
    TTempDir dir;
    std::string file = dir.File("Data.mdb");
    RawExec(file,
            "CREATE TABLE notes (Id INTEGER PRIMARY KEY, Body TEXT); INSERT INTO notes (Body) VALUES ('x')");
    const std::string before = ReadAll(file);
    TQuery q;
    q.SetDatabaseName(file);
    q.SetSQL("SELECT * FROM people");
    try {
        q.Open();
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_NE(std::string(e.what()).find("no such table: people"), std::string::npos) << e.what();
    }
    q.SetSQL("SELECT * FROM notes");
    q.Open(); // browsing writes nothing either
    EXPECT_EQ(q.RecordCount(), 1);
    q.Close();
    EXPECT_EQ(ReadAll(file), before);
    EXPECT_FALSE(std::filesystem::exists(file + "-wal"));
}

TEST(Query, ReadOnlyFileBrowsesButRefusesThePostKeepingTheTypedValues) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes to read-only files";
    TTempDir dir;
    std::string file = MakePeople(dir, {"Ali"});
    RawExec(file, "PRAGMA journal_mode=DELETE");
    chmod(file.c_str(), 0444);
    TOpenQuery t(file);
    t.Q.Edit();
    t.Q.FieldByName("Name").SetAsString("Veli");
    EXPECT_THROW(t.Q.Post(), EDatabaseError);
    EXPECT_EQ(t.Q.State(), dsEdit);
    EXPECT_EQ(t.Q.FieldByName("Name").AsString(), "Veli");
}

TEST(Query, ParametersAreValuesNeverStatementText) {
    TTempDir dir;
    std::string file = MakePeople(dir, {"O'Brien", "\"Kaan\"", "Ali"});
    TQuery q;
    q.SetDatabaseName(file);
    for (const char *text : {"O'", "\"", "\"Kaan\"", "'; DROP TABLE people; --"}) {
        q.Close();
        q.SetSQL("SELECT * FROM people WHERE Name LIKE ?1", {TValue::Text(std::string(text) + "%")});
        ASSERT_NO_THROW(q.Open()) << text;
        EXPECT_EQ(q.RecordCount(), text[0] == '\'' ? 0 : 1) << text;
    }
    EXPECT_EQ(RawScalar(file, "SELECT count(*) FROM people"), "3");
}

// The order in which a bound control hears about the row.
TEST(DataLinks, NotificationsArriveInTheClassicOrder) {
    TTempDir dir;
    std::string file = MakePeople(dir, {"A", "B"});
    TQuery q;
    q.SetDatabaseName(file);
    q.SetSQL("SELECT * FROM people");
    TDataSource ds;
    ds.SetDataSet(&q);
    std::vector<std::string> log;
    TFieldDataLink name, photo;
    for (auto [link, tag] : {std::pair{&name, "name"}, std::pair{&photo, "photo"}}) {
        link->SetDataSource(&ds);
        std::string t = tag;
        link->OnDataChange = [&log, t] { log.push_back(t + ":data"); };
        link->OnActiveChange = [&log, t] { log.push_back(t + ":active"); };
        link->OnEditingChange = [&log, t, link] {
            log.push_back(t + (link->Editing() ? ":editing" : ":browsing"));
        };
        link->OnUpdateData = [&log, t] { log.push_back(t + ":update"); };
    }
    name.SetFieldName("Name");
    photo.SetFieldName("Photo");
    auto take = [&] {
        auto out = log;
        log.clear();
        return out;
    };
    using V = std::vector<std::string>;

    q.Open();
    V opened = take();
    EXPECT_EQ(opened.front(), "name:browsing"); // bound to the new field...
    EXPECT_NE(std::find(opened.begin(), opened.end(), "photo:active"), opened.end());
    EXPECT_EQ(name.Field(), &q.FieldByName("Name"));
    // One data change per control on open: a photo is decoded once, not twice.
    EXPECT_EQ(std::count(opened.begin(), opened.end(), "photo:data"), 1);

    // Typing into one control: the row enters editing and every control rereads once.
    EXPECT_TRUE(name.Edit());
    EXPECT_EQ(take(), (V{"name:editing", "photo:editing", "name:data", "photo:data"}));
    name.Modified();
    // Setting one field reaches only the controls of that field.
    q.FieldByName("Phone").SetAsString("1");
    EXPECT_TRUE(take().empty());
    photo.Modified();
    name.OnUpdateData = [&] {
        log.push_back("name:update");
        q.FieldByName("Name").SetAsString("Anıl");
    };
    q.Post();
    EXPECT_EQ(take(), (V{"name:update", "photo:update", "name:browsing", "photo:browsing", "name:data",
                         "photo:data"}));
    EXPECT_EQ(q.FieldByName("Name").AsString(), "Anıl");
    EXPECT_FALSE(name.IsModified());

    q.Next();
    EXPECT_EQ(take(), (V{"name:data", "photo:data"}));
    q.Close();
    V closed = take();
    EXPECT_NE(std::find(closed.begin(), closed.end(), "name:active"), closed.end());
    EXPECT_EQ(name.Field(), nullptr);

    // A read-only link never starts editing.
    q.Open();
    name.ReadOnly = true;
    EXPECT_FALSE(name.Edit());
    EXPECT_EQ(q.State(), dsBrowse);
    ds.AutoEdit = false;
    name.ReadOnly = false;
    EXPECT_FALSE(name.Edit());
    EXPECT_EQ(q.State(), dsBrowse);
}

TEST(Query, LockedDatabaseRefusesThePostKeepingTheTypedValues) {
    TTempDir dir;
    std::string file = MakePeople(dir, {"Ali"});
    TQuery q;
    q.SetConnection(std::make_shared<TDatabase>(file, 50));
    q.SetSQL("SELECT * FROM people");
    q.Open();
    sqlite3 *other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE; UPDATE people SET Phone='x'", nullptr, nullptr, nullptr),
              SQLITE_OK);
    q.Edit();
    q.FieldByName("Name").SetAsString("Veli");
    try {
        q.Post();
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_NE(std::string(e.what()).find("locked"), std::string::npos) << e.what();
    }
    EXPECT_EQ(q.State(), dsEdit);
    EXPECT_EQ(q.FieldByName("Name").AsString(), "Veli");
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    q.Post(); // once the other writer is gone the same post goes through
    EXPECT_EQ(RawScalar(file, "SELECT Name FROM people"), "Veli");
}

TEST(Query, DeferredMovesReachLinksAtSyncOrBeforeAnyOtherChange) {
    TTempDir dir;
    TOpenQuery t(MakePeople(dir, {"A", "B", "C", "D"}));
    TQuery &q = t.Q;
    TDataSource source;
    source.SetDataSet(&q);
    TFieldDataLink link;
    std::string shown;
    link.OnDataChange = [&] { shown = link.Field() ? link.Field()->AsString() : ""; };
    link.SetDataSource(&source);
    link.SetFieldName("Name");
    ASSERT_EQ(shown, "A");
    const int scrolls = t.Scrolls;
    EXPECT_EQ(q.MoveByDeferred(2), 2);
    EXPECT_EQ(Name(q), "C"); // the query itself is there at once
    EXPECT_EQ(shown, "A");
    EXPECT_EQ(t.Scrolls, scrolls);
    EXPECT_TRUE(q.ControlsBehind());
    q.SyncControls();
    EXPECT_EQ(shown, "C");
    EXPECT_EQ(t.Scrolls, scrolls + 1);
    q.SyncControls(); // nothing pending: nothing told twice
    EXPECT_EQ(t.Scrolls, scrolls + 1);
    // Editing after a deferred move edits the row the controls now show.
    q.MoveByDeferred(1);
    q.Edit();
    EXPECT_EQ(shown, "D");
    EXPECT_FALSE(q.ControlsBehind());
    q.Cancel();
    q.FirstDeferred();
    q.Close(); // a pending move dies with the result
    EXPECT_FALSE(q.ControlsBehind());
}

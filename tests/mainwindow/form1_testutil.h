#pragma once
// A register file "Data.mdb" in a fresh working directory, and a script that
// answers every dialog (errors are counted, questions answered in order).
#include "platform/data/dataset.h"
#include "platform/widgets/dialogs.h"
#include "records/recordcommands.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <deque>
#include <filesystem>

namespace kadrolin::testing {

class TRegisterDir {
  public:
    explicit TRegisterDir(std::initializer_list<const char *> names, bool create = true) {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kadrolin-form-XXXXXX").string();
        Path = mkdtemp(tmpl.data());
        FOld = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(Path));
        if (!create) return;
        records::CreateRegister(File());
        for (const char *n : names)
            Exec("INSERT INTO tarvelion (A_Adi) VALUES (" + Quote(n) + ")");
    }
    ~TRegisterDir() {
        QDir::setCurrent(FOld);
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
    std::string File() const { return Path + "/Data.mdb"; }
    static std::string Quote(const std::string &s) {
        std::string q = "'";
        for (char c : s)
            q += c == '\'' ? std::string("''") : std::string(1, c);
        return q + "'";
    }
    void Exec(const std::string &sql) const {
        sqlite3 *db = nullptr;
        ASSERT_EQ(sqlite3_open(File().c_str(), &db), SQLITE_OK);
        char *err = nullptr;
        int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
        std::string msg = err ? err : "";
        sqlite3_free(err);
        sqlite3_close(db);
        ASSERT_EQ(rc, SQLITE_OK) << msg;
    }
    std::string Scalar(const std::string &sql) const {
        sqlite3 *db = nullptr;
        sqlite3_open_v2(File().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt *st = nullptr;
        std::string out = "<none>";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            out = sqlite3_column_type(st, 0) == SQLITE_NULL
                      ? "<null>"
                      : reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
        sqlite3_close(db);
        return out;
    }
    std::string Path;

  private:
    QString FOld;
};

// Errors are acknowledged with OK; questions get the queued answers (default: No).
class TDialogScript {
  public:
    TDialogScript() {
        Dialogs.AnswerWith([this](const TDialogCall &c) {
            if (c.Kind == "Error") {
                Errors.push_back(c.Text);
                return int(mrOk);
            }
            Questions.push_back(c);
            if (Answers.empty()) return int(mrNo);
            int a = Answers.front();
            Answers.pop_front();
            return a;
        });
    }
    TScriptedDialogs Dialogs;
    std::deque<int> Answers;
    std::vector<QString> Errors;
    std::vector<TDialogCall> Questions;
};

// Runs the message loop as the main routine does; a guard ends it with 99 if a
// test went wrong and nothing closed the program.
inline int RunLoop() {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(30000);
    return QApplication::exec();
}

} // namespace kadrolin::testing

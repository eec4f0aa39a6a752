#pragma once
// Backup and restore of a register file through SQLite's online backup API:
// the copy is consistent even while the program has the register open.
#include <string>

namespace kadrolin::exchange {

// The file a restore keeps the replaced register in: "Data.mdb.önceki".
std::string PreviousRegisterName(const std::string &registerFile);

// Fails with a Turkish message naming the file when it is not a register of
// this program (another program's file, a damaged database, a table without
// our columns). Never writes to the file.
void CheckRegisterFile(const std::string &fileName);

// Copies the register into dest (written beside it under a temporary name and
// renamed, so dest is never half-written). Returns the number of people.
long long BackupRegister(const std::string &registerFile, const std::string &dest);

// Replaces the register's content with the backup's; the replaced content is
// kept as PreviousRegisterName(registerFile). Returns the number of people.
long long RestoreRegister(const std::string &source, const std::string &registerFile);

} // namespace kadrolin::exchange

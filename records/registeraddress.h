#pragma once
// Where the register is: "kadrolin.ini" in the user's configuration
// directory, section "Veritabanı", key "Adres". Empty or missing: the file
// "Data.mdb" in the working directory; a PostgreSQL URI or keyword string:
// that server, with libpq's own conventions (service file, password file,
// sslmode, Kerberos) applying unchanged. No password is ever written here.
#include <string>

namespace kadrolin::records {

// ${XDG_CONFIG_HOME:-~/.config}/Kadrolin/kadrolin.ini
std::string RegisterIniFileName();
// The address stored there; empty when the file or the key is missing.
std::string ReadRegisterAddress(const std::string &iniFile);
// Stores the address (UTF-8, owner-only), keeping the file's other lines.
// An address holding a password is refused with a Turkish message.
void WriteRegisterAddress(const std::string &iniFile, const std::string &address);
// What the query opens for an address read from the file.
std::string RegisterDatabaseName(const std::string &address);
// "Data.mdb" or "Sunucu: kadrolin (db.example.org)", for the caption and the status bar.
std::string RegisterDisplayName(const std::string &databaseName);

} // namespace kadrolin::records

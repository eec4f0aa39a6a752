#pragma once
// The start-up password is kept as a salted, slow hash (Argon2id through
// libsodium), never as the text itself: people reuse passwords. A value
// stored in clear text by an older version still works, compared byte for
// byte as before, and is replaced by its hash at the first successful check.
// An empty password is stored as an empty value.
#include <QString>

// Argon2id cost of one hash or check, paid once per check at start-up or in
// the settings: 64 MiB and two passes (libsodium's "interactive" limits),
// a tenth to a third of a second on a desktop machine.
constexpr unsigned long long kPasswordOpsLimit = 2;
constexpr size_t kPasswordMemLimit = 64ull * 1024 * 1024;

// The text to store for a password: its hash, or "" for an empty password.
// Throws std::runtime_error when the hash cannot be made (out of memory).
QString HashPassword(const QString &password);

// True when the stored value is a hash we made, not a clear-text password.
bool IsPasswordHash(const QString &stored);

// True when typed is the password the stored value stands for: the hash
// verified, or the clear text equal byte for byte (case and blanks count).
bool PasswordMatches(const QString &stored, const QString &typed);

// True when the stored value is a clear-text password that should be
// replaced by its hash once it has been checked.
bool PasswordNeedsHashing(const QString &stored);

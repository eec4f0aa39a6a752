#include "security/passwordhash.h"

#include "platform/text/cp1254.h"

#include <sodium.h>

#include <stdexcept>
#include <string>

namespace {

void InitSodium() {
    // Once per process; sodium_init is safe to call again, but only the first
    // call can fail.
    static const bool ready = sodium_init() >= 0;
    if (!ready) throw std::runtime_error("The password library could not be initialised.");
}

// The bytes the password stands for on disk: code page 1254, as typed.
std::string PasswordBytes(const QString &password) {
    return kadrolin::Utf8ToCp1254(password.toStdString());
}

} // namespace

QString HashPassword(const QString &password) {
    if (password.isEmpty()) return {};
    InitSodium();
    const std::string bytes = PasswordBytes(password);
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, bytes.data(), bytes.size(), kPasswordOpsLimit, kPasswordMemLimit) != 0)
        throw std::runtime_error("The password could not be hashed (out of memory).");
    return QString::fromLatin1(out);
}

bool IsPasswordHash(const QString &stored) {
    if (!stored.startsWith(QLatin1String("$argon2id$"))) return false;
    InitSodium();
    const QByteArray text = stored.toLatin1();
    // -1: not a string libsodium can verify, so it is someone's clear text.
    return crypto_pwhash_str_needs_rehash(text.constData(), kPasswordOpsLimit, kPasswordMemLimit) != -1;
}

bool PasswordMatches(const QString &stored, const QString &typed) {
    if (!IsPasswordHash(stored)) return typed == stored;
    // A character the code page lacks could never have been stored.
    if (!kadrolin::IsCp1254Encodable(typed.toStdString())) return false;
    const std::string bytes = PasswordBytes(typed);
    const QByteArray hash = stored.toLatin1();
    return crypto_pwhash_str_verify(hash.constData(), bytes.data(), bytes.size()) == 0;
}

bool PasswordNeedsHashing(const QString &stored) {
    return !stored.isEmpty() && !IsPasswordHash(stored);
}

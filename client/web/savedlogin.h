#pragma once

#include <QString>

// The login form's values kept in "config.ini" of the program folder, group "Login".

// The XOR key of the stored password; only its first character is used.
extern const char passwordKey[];

// XORs every UTF-16 unit of text with the key's first character. Its own inverse; ASCII text
// stays ASCII, and any other text, surrogate pairs included, comes back unchanged.
QString scramblePassword(const QString &text, const char *key);

QString savedLoginFile();
QString readSavedName();
// The stored password, unscrambled.
QString readSavedPassword();
void saveName(const QString &name);
// Scrambles the password before it is stored.
void savePassword(const QString &password);

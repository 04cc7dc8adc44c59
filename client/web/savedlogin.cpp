#include "savedlogin.h"

#include "app/globals.h"
#include "app/inifile.h"

namespace {
const QString kGroup = QStringLiteral("Login");
const QString kName = QStringLiteral("name");
const QString kPassword = QStringLiteral("password");
} // namespace

const char passwordKey[] = "A";

QString scramblePassword(const QString &text, const char *key)
{
    // Per UTF-16 unit rather than per UTF-8 byte: scrambled UTF-8 bytes of a non-ASCII
    // text are no longer UTF-8 and would not survive the way back.
    const ushort k = static_cast<unsigned char>(key[0]);
    QString out = text;
    for (QChar &c : out)
        c = QChar(ushort(c.unicode() ^ k));
    return out;
}

QString savedLoginFile()
{
    return appDir + QStringLiteral("config.ini");
}

QString readSavedName()
{
    return readIniValue(savedLoginFile(), kGroup, kName, QString()).toString();
}

QString readSavedPassword()
{
    return scramblePassword(readIniValue(savedLoginFile(), kGroup, kPassword, QString()).toString(),
                            passwordKey);
}

void saveName(const QString &name)
{
    writeIniValue(savedLoginFile(), kGroup, kName, name);
}

void savePassword(const QString &password)
{
    writeIniValue(savedLoginFile(), kGroup, kPassword, scramblePassword(password, passwordKey));
}

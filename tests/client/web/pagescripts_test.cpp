#include "web/pagescripts.h"
#include "web/savedlogin.h"
#include "windows/akmainwindow.h"

#include <gtest/gtest.h>

#include "app/globals.h"
#include "app/inifile.h"
#include "tempdir.h"

namespace {

struct ElementScriptCase
{
    const char *id;
    QString value;
    int mode;
    const char *script;
};

TEST(ElementScript, PlainValuesGiveTheScriptsAsTheyStand)
{
    const ElementScriptCase cases[] = {
        {"name", QStringLiteral("abc"), 0,
         "var tmp = document.getElementById('name');if(tmp){tmp.value='abc';}"},
        {"name", QString(), 0, "var tmp = document.getElementById('name');if(tmp){tmp.value;}"},
        {"footer", QStringLiteral("x"), 1,
         "var tmp = document.getElementById('footer');if(tmp){tmp.style.display='none';}"},
        {"footer", QString(), 1,
         "var tmp = document.getElementById('footer');if(tmp){tmp.style.display='none';}"},
        {"name", QStringLiteral("abc"), 2, ""},
        {"name", QStringLiteral("abc"), -1, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(AKMainWindow::buildElementScript(QString::fromLatin1(c.id), c.value, c.mode)
                      .toStdString(),
                  c.script)
            << c.id << " mode " << c.mode;
}

TEST(ElementScript, ValuesAreEscapedForTheQuotedString)
{
    const struct
    {
        QString value;
        const char *inScript;
    } cases[] = {
        {QStringLiteral("it's"), R"(it\'s)"},
        {QStringLiteral("back\\slash"), R"(back\\slash)"},
        {QStringLiteral("line\nbreak\r"), R"(line\nbreak\r)"},
        {QStringLiteral("say \"hi\""), R"(say \"hi\")"},
        {QStringLiteral("';alert(1);//"), R"(\';alert(1);//)"},
        {QString(QChar(0x2028)) + QChar(0x01), R"(\u2028\u0001)"},
        // Substitution happens once: a value's own markers stay.
        {QStringLiteral("%1%2"), "%1%2"},
        {QStringLiteral("Zürich 北京 😀"), "Zürich 北京 😀"},
    };
    for (const auto &c : cases) {
        const QString script = AKMainWindow::buildElementScript(QStringLiteral("name"), c.value, 0);
        EXPECT_EQ(script.toStdString(),
                  std::string("var tmp = document.getElementById('name');if(tmp){tmp.value='") +
                      c.inScript + "';}");
    }
}

TEST(PasswordScrambling, AsciiMatchesTheByteWiseFormAndEveryTextComesBack)
{
    // ASCII: each character XORed with the key's first byte, as stored files hold it.
    const QString ascii = QStringLiteral("Secret 123!~");
    const QString scrambled = scramblePassword(ascii, passwordKey);
    ASSERT_EQ(scrambled.size(), ascii.size());
    for (int i = 0; i < ascii.size(); ++i)
        EXPECT_EQ(scrambled[i].unicode(), ascii[i].unicode() ^ uchar(passwordKey[0]));
    EXPECT_NE(scrambled, ascii);

    for (const QString &text :
         {QString(), ascii, QStringLiteral("pässwörd"), QStringLiteral("密码"),
          QStringLiteral("😀 and 🎉"), QString(QChar::fromLatin1(passwordKey[0]))}) {
        EXPECT_EQ(scramblePassword(scramblePassword(text, passwordKey), passwordKey), text);
        EXPECT_EQ(scramblePassword(text, passwordKey).size(), text.size());
    }
}

TEST(SavedLogin, AwkwardValuesSurviveTheIniFile)
{
    testsupport::TempDir dir;
    appDir = QString::fromStdString(dir.path().string()) + QLatin1Char('/');
    for (const QString &value :
         {QStringLiteral("it's"), QStringLiteral("a,b"), QStringLiteral("@Variant(x)"),
          QStringLiteral(" blank "), QStringLiteral("back\\slash"), QStringLiteral("two\nlines"),
          QStringLiteral("Zürich 北京"), QStringLiteral("😀"),
          QString(QChar::fromLatin1(passwordKey[0])) + QStringLiteral("AAA")}) {
        saveName(value);
        savePassword(value);
        EXPECT_EQ(readSavedName(), value);
        EXPECT_EQ(readSavedPassword(), value);
    }
    // The stored form is the scrambled one.
    savePassword(QStringLiteral("secret"));
    EXPECT_EQ(readIniValue(savedLoginFile(), QStringLiteral("Login"), QStringLiteral("password"))
                  .toString(),
              scramblePassword(QStringLiteral("secret"), passwordKey));
    appDir.clear();
}

} // namespace

#include "pagescripts.h"

const QString noContextMenuScript =
    QStringLiteral("document.oncontextmenu=function(e){return false;} ");
const QString userAgentScript = QStringLiteral("var navi = navigator.userAgent; if(navi){navi;}");
const QString pushResultScript = QStringLiteral("var tmp = document.getElementById('room_live');"
                                                "if(tmp){tmp.setAttribute('data-result',%1);}");
const QString pushResultClickScript =
    QStringLiteral("var tmp = document.getElementById('checkResult');if(tmp){tmp.click();}");

QString escapeForScriptString(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        switch (u) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\'':
            out += QLatin1String("\\'");
            break;
        case '"':
            out += QLatin1String("\\\"");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        default:
            // Other controls and the two Unicode line terminators would end or break the literal.
            if (u < 0x20 || u == 0x7f || u == 0x2028 || u == 0x2029)
                out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out;
}

QString elementScript(const QString &id, const QString &value, int mode)
{
    // Values come from "config.ini" and the page: escaped, so that they stay one string.
    switch (mode) {
    case 0:
        if (!value.isEmpty())
            return QStringLiteral("var tmp = document.getElementById('%1');"
                                  "if(tmp){tmp.value='%2';}")
                .arg(escapeForScriptString(id), escapeForScriptString(value));
        return QStringLiteral("var tmp = document.getElementById('%1');if(tmp){tmp.value;}")
            .arg(escapeForScriptString(id));
    case 1:
        return QStringLiteral("var tmp = document.getElementById('%1');"
                              "if(tmp){tmp.style.display='none';}")
            .arg(escapeForScriptString(id));
    default:
        return QString();
    }
}

#include "drawingrect.h"

#include <QJsonDocument>
#include <QVariantMap>

// One line as the page receives it, blanks included.
const QString drawingRectScript =
    QStringLiteral("(function(){                    "
                   "var ele = document.getElementsByClassName(\"lc-drawing\");                    "
                   "if (ele.length > 0) return "
                   "JSON.stringify(ele[0].getBoundingClientRect().toJSON());                    "
                   "return \"\";                })()");

QRect drawingRectFromScriptText(const QString &text)
{
    if (text.isEmpty())
        return QRect();
    // Anything but a JSON object gives an empty map, and then every edge is 0.
    const QVariantMap edges = QJsonDocument::fromJson(text.toUtf8()).toVariant().toMap();
    QRect rect;
    rect.setLeft(edges.value(QStringLiteral("x")).toInt());
    rect.setTop(edges.value(QStringLiteral("y")).toInt());
    rect.setRight(edges.value(QStringLiteral("right")).toInt());
    rect.setBottom(edges.value(QStringLiteral("bottom")).toInt());
    return rect;
}

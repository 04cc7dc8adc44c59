#pragma once

#include <QRect>
#include <QString>

// Gives the JSON text of the bounding rectangle of the page's first "lc-drawing" element, or the
// empty text when there is none.
extern const QString drawingRectScript;

// The rectangle that the script's text describes, with inclusive edges "x", "y", "right" and
// "bottom" (a missing one counts as 0); null for the empty text.
QRect drawingRectFromScriptText(const QString &text);

#pragma once

#include <QString>

// The scripts that the client runs in the classroom page.

// Switches the page's own context menu off.
extern const QString noContextMenuScript;
// Evaluates to the browser's user agent.
extern const QString userAgentScript;
// Puts a live-room result (%1, a number) into "room_live" for the page to read.
extern const QString pushResultScript;
// Tells the page that "room_live" holds a new result.
extern const QString pushResultClickScript;

// The script that fills (mode 0, a value), reads (mode 0, no value) or hides (mode 1) the page
// element id; any other mode gives no script.
QString elementScript(const QString &id, const QString &value, int mode);

// text as the content of a single- or double-quoted JavaScript string literal: quotes,
// backslashes, line terminators and other control characters are escaped, everything else is
// kept as it is, so that a value placed between quotes stays one string whatever it holds.
QString escapeForScriptString(const QString &text);

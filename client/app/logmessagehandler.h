#pragma once

#include <QString>
#include <QtGlobal>

class QMutex;
class QMessageLogContext;

// Serialises every writer of the log: the handler on any thread, and closeLog.
QMutex &logMutex();

// The process's message handler: one line per message, written to logStream and flushed at once.
void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

// Opens fileName for appending, makes logStream write to it and installs messageHandler.
// A file that cannot be opened is not reported: lines are then lost, the program runs on.
void openLog(const QString &fileName);

// Detaches logStream under logMutex, then deletes the stream and closes the file. The handler
// stays installed; what is logged afterwards is dropped.
void closeLog();

#pragma once

#include <QString>
#include <QVariant>

// One value of one group of an ini file; defaultValue when the file, group or key is missing.
QVariant readIniValue(const QString &fileName, const QString &group, const QString &key,
                      const QVariant &defaultValue = QVariant());

// Stores one value; the file's other groups and keys stay as they are.
void writeIniValue(const QString &fileName, const QString &group, const QString &key,
                   const QVariant &value);

#include "inifile.h"

#include <QSettings>

QVariant readIniValue(const QString &fileName, const QString &group, const QString &key,
                      const QVariant &defaultValue)
{
    QSettings settings(fileName, QSettings::IniFormat);
    settings.beginGroup(group);
    const QVariant value = settings.value(key, defaultValue);
    settings.endGroup();
    return value;
}

void writeIniValue(const QString &fileName, const QString &group, const QString &key,
                   const QVariant &value)
{
    // The file is read afresh and written back whole when the settings object goes.
    QSettings settings(fileName, QSettings::IniFormat);
    settings.beginGroup(group);
    settings.setValue(key, value);
    settings.endGroup();
}

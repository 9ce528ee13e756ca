#pragma once
// Where each group and key of an INI file stands, so that a mistake can be
// reported with its line. QSettings reads the values but keeps no line
// numbers, so the file's text is scanned beside it.
#include <QHash>
#include <QString>
#include <QStringList>

namespace tpv {

class IniLines {
public:
    explicit IniLines(const QString &path);
    // The line of the group's header (0 when it is not there).
    int group(const QString &name) const { return groups_.value(name, 0); }
    // The line that sets the key in the group (the last one, as QSettings
    // reads it), else the group's line.
    int key(const QString &group, const QString &key) const {
        return keys_.value(group + QLatin1Char('\n') + key, this->group(group));
    }
    // The groups in the order the file has them (QSettings sorts them by name).
    QStringList inFileOrder(QStringList groups) const;

private:
    QHash<QString, int> groups_;
    QHash<QString, int> keys_;
};

}  // namespace tpv

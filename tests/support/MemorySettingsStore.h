#pragma once

#include "settings/SettingsStore.h"

#include <QMap>
#include <QSet>
#include <QStringList>

// A SettingsStore held in memory, for tests: keys are "SECTION/KEY", some
// can be made to fail, and every access is logged in order.
class MemorySettingsStore : public SettingsStore
{
public:
    explicit MemorySettingsStore(QStringList *log = nullptr) : m_log(log) {}

    std::optional<QString> read(const QString &section, const QString &key) override;
    bool write(const QString &section, const QString &key, const QString &text) override;
    void remove(const QString &section, const QString &key) override { values.remove(section + u'/' + key); }

    QMap<QString, QString> values;
    QSet<QString> failing;
    QStringList writes; // "SECTION/KEY=text", in order

private:
    QStringList *m_log;
};

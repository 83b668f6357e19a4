#include "MemorySettingsStore.h"

std::optional<QString> MemorySettingsStore::read(const QString &section, const QString &key)
{
    const QString name = section + u'/' + key;
    if (m_log)
        m_log->append(QStringLiteral("read ") + name);
    if (failing.contains(name))
        return std::nullopt;
    return values.value(name);
}

bool MemorySettingsStore::write(const QString &section, const QString &key, const QString &text)
{
    const QString name = section + u'/' + key;
    if (m_log)
        m_log->append(QStringLiteral("write ") + name);
    if (failing.contains(name))
        return false;
    writes.append(name + u'=' + text);
    values.insert(name, text);
    return true;
}

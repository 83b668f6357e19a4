#pragma once

#include "common/FieldTable.h"
#include "mail/MailComponent.h"

#include <QList>
#include <QPair>
#include <QStringList>
#include <QVariant>

#include <functional>

// Records every member the window uses, in order, as (name, value).
class FakeMailComponent : public MailComponent
{
public:
    using Call = QPair<QString, QVariant>;

    explicit FakeMailComponent(QStringList *log = nullptr) : m_log(log) {}
    ~FakeMailComponent() override
    {
        if (destroyed)
            *destroyed = true;
    }

    // Recorded under the property's name, as the field table gives it.
    void setField(QString MailFields::*field, const QString &value) override
    {
        record(FieldTable::rowOf(field).property, value);
    }
    void setPriority(qint32 value) override
    {
        record(FieldTable::rowOf(&MailFields::priorityIndex).property, value);
    }
    void setClientName(const QString &value) override
    {
        m_clientName = value;
        record(QStringLiteral("ClientName="), value);
    }
    QString ClientName() const override
    {
        record(QStringLiteral("ClientName"), {});
        return returnedName.isNull() ? m_clientName : returnedName;
    }
    void setPassword(const QString &value) override { record(QStringLiteral("Password"), value); }
    void setUsername(const QString &value) override { record(QStringLiteral("Username"), value); }
    void Send() override
    {
        record(QStringLiteral("Send"), {});
        ready = false;
    }
    bool IsReady() const override
    {
        record(QStringLiteral("IsReady"), {});
        return ready;
    }
    void AboutBox() override
    {
        record(QStringLiteral("AboutBox"), {});
        if (onAboutBox)
            onAboutBox();
    }

    QString lastTranscript() const override { return transcript; }

    // Names only, from the index of the first call of interest on.
    QStringList names(qsizetype from = 0) const
    {
        QStringList result;
        for (const Call &call : calls.mid(from))
            result.append(call.first);
        return result;
    }

    mutable QList<Call> calls;
    bool ready = true;
    QString returnedName;
    // What lastTranscript() returns.
    QString transcript;
    std::function<void()> onAboutBox;
    bool *destroyed = nullptr;

private:
    void record(const QString &name, const QVariant &value) const
    {
        calls.append({name, value});
        if (m_log)
            m_log->append(name);
    }

    QString m_clientName;
    QStringList *m_log;
};

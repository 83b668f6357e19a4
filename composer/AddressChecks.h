#pragma once

#include "SendDoubts.h"
#include "addresses/AddressItems.h"

#include <QObject>
#include <QSet>

#include <optional>

class AddressBoxCheck;
class AddressMemory;
class DomainLookup;
enum class DomainAnswer;
class QLineEdit;

// The address boxes checked as the user writes: each box marks its finished
// items (AddressBoxCheck); their domains are asked of the name server here,
// once a run, and what it tells is shared by the boxes and by the question
// before a send.
class AddressChecks : public QObject
{
    Q_OBJECT

public:
    // boxes and memory outlive the checks, a child of parent.
    AddressChecks(const QList<QLineEdit *> &boxes, AddressMemory &memory, QObject *parent);
    ~AddressChecks() override;

    // What the user is told of item of text; a domain not known yet is asked
    // about, and answered() follows.
    AddressItems::Finding judge(const AddressItems::Item &item, const QString &text);
    // Asks about every domain of fields' addresses, those that got no answer
    // before too; true while an answer is still awaited.
    bool askAll(const MailFields &fields);
    // True while an answer about a domain of fields' addresses is awaited.
    bool awaiting(const MailFields &fields) const;
    // The domains of fields' addresses that do not exist or look mistyped,
    // as far as the name server has told, each said once.
    QList<SendDoubt> doubts(const MailFields &fields);

    AddressBoxCheck *boxCheck(const QLineEdit *box) const;

Q_SIGNALS:
    // The name server told something: marks and doubts may have changed.
    void answered();

private:
    AddressItems::Finding findingOf(const AddressItems::Item &item, const QString &text, DomainAnswer answer);
    const QStringList &knownDomains();

    DomainLookup *m_lookup;
    AddressMemory &m_memory;
    QList<AddressBoxCheck *> m_boxes;
    std::optional<QStringList> m_known;
    QSet<QString> m_unanswered; // asked, and the name server told nothing
};

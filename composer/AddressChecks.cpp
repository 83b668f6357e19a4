#include "AddressChecks.h"

#include "AddressBoxCheck.h"
#include "AddressMemory.h"
#include "ComposerTexts.h"
#include "addresses/DomainLookup.h"
#include "common/FieldTable.h"

#include <QLineEdit>
#include <QSet>

using AddressItems::Finding;

namespace {

// What the question before a send says of a finding, if anything.
std::optional<ComposerText> doubtText(Finding::Kind kind)
{
    switch (kind) {
    case Finding::Missing:
        return ComposerText::DoubtDomainMissing;
    case Finding::Typo:
        return ComposerText::DoubtDomainTypo;
    case Finding::NoMail:
        return ComposerText::DoubtDomainNoMail;
    case Finding::LookAlike:
        return ComposerText::DoubtDomainLookAlike;
    case Finding::Fine:
    case Finding::Refused:
        break;
    }
    return std::nullopt;
}

} // namespace

AddressChecks::AddressChecks(const QList<QLineEdit *> &boxes, AddressMemory &memory, QObject *parent)
    : QObject(parent), m_lookup(new DomainLookup(this)), m_memory(memory)
{
    connect(m_lookup, &DomainLookup::answered, this, [this](const QString &domain, DomainAnswer answer) {
        if (answer == DomainAnswer::Unknown)
            m_unanswered.insert(domain);
        Q_EMIT answered();
    });
    for (QLineEdit *box : boxes)
        m_boxes << new AddressBoxCheck(box, *this);
}

AddressChecks::~AddressChecks() = default;

Finding AddressChecks::judge(const AddressItems::Item &item, const QString &text)
{
    // Asked again only by a send: the marks made again after an answer
    // would otherwise ask a silent server without end.
    const bool ask = item.fault == AddressItems::Fault::None && !m_unanswered.contains(item.domain);
    return findingOf(item, text, ask ? m_lookup->ask(item.domain) : m_lookup->known(item.domain));
}

Finding AddressChecks::findingOf(const AddressItems::Item &item, const QString &text, DomainAnswer answer)
{
    // The remembered addresses are read only for a domain that takes no mail,
    // or takes it without an exchanger.
    const bool doubtful = answer == DomainAnswer::Missing || answer == DomainAnswer::TakesNoMail
        || answer == DomainAnswer::NoExchanger;
    return AddressItems::judge(item, text, answer, doubtful ? knownDomains() : QStringList());
}

bool AddressChecks::askAll(const MailFields &fields)
{
    for (const QString &text : FieldTable::addressTexts(fields))
        for (const AddressItems::Item &item : AddressItems::finished(text))
            if (item.fault == AddressItems::Fault::None) {
                m_unanswered.remove(item.domain);
                m_lookup->ask(item.domain);
            }
    return awaiting(fields);
}

bool AddressChecks::awaiting(const MailFields &fields) const
{
    for (const QString &text : FieldTable::addressTexts(fields))
        for (const AddressItems::Item &item : AddressItems::finished(text))
            if (item.fault == AddressItems::Fault::None && m_lookup->isAsking(item.domain))
                return true;
    return false;
}

QList<SendDoubt> AddressChecks::doubts(const MailFields &fields)
{
    QList<SendDoubt> doubts;
    QSet<QString> told;
    for (const FieldTable::Row &row : FieldTable::rows) {
        if (!row.addresses)
            continue;
        const QString &text = fields.*row.text;
        for (const AddressItems::Item &item : AddressItems::finished(text)) {
            // Refused items are left to the send, which names them; what is
            // not known by now is not asked about.
            const Finding finding = findingOf(item, text, m_lookup->known(item.domain));
            const QString domain = item.typedDomain(text).toString();
            const std::optional<ComposerText> said = doubtText(finding.kind);
            if (!said)
                continue;
            const QString key = domain.toLower();
            if (told.contains(key))
                continue;
            told << key;
            const QString line = finding.meant.isEmpty()
                ? composerText(*said).arg(row.sendName, domain)
                : composerText(*said).arg(row.sendName, domain, finding.meant);
            doubts.append({line, row.text});
        }
    }
    return doubts;
}

AddressBoxCheck *AddressChecks::boxCheck(const QLineEdit *box) const
{
    for (AddressBoxCheck *check : m_boxes)
        if (check->box() == box)
            return check;
    return nullptr;
}

// The domains of the addresses remembered, taken once: a slip is judged
// against what the user wrote to before this run.
const QStringList &AddressChecks::knownDomains()
{
    if (!m_known) {
        QSet<QString> domains;
        for (const AddressEntry &entry : m_memory.addresses().entries())
            domains << entry.address.mid(entry.address.lastIndexOf(u'@') + 1).toLower();
        m_known = QStringList(domains.cbegin(), domains.cend());
        m_known->sort(); // a tie goes the same way every run
    }
    return *m_known;
}

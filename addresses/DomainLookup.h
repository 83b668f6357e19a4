#pragma once

#include <QHash>
#include <QMetaType>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>

// What the name server said of a domain.
enum class DomainAnswer {
    Unknown,  // not asked, not answered yet, or no answer that says what it means: no network, a name server
              // that failed or stayed silent, one that knows no public name, a name with neither
    Receives, // it has a mail exchanger (MX)
    NoExchanger, // no mail exchanger, but an address (A or AAAA), which takes the mail in its place
    TakesNoMail, // it publishes a null MX (RFC 7505): it takes no mail
    Missing,     // no such domain (NXDOMAIN), from a name server that knows its top-level zone
};
Q_DECLARE_METATYPE(DomainAnswer)

struct DomainQueue;

// Whether the domains of the addresses typed exist, asked of the name server
// on one thread of its own that nothing waits for, neither the window nor the
// program's exit: a silent server only delays an answer, it never freezes.
// Definite answers are remembered for the run; no answer is not, so the next
// ask() tries again.
//
// KORVANE_CLIENT_NAMESERVER, read once per DomainLookup, is for tests: unset, the system's name servers
// (/etc/resolv.conf) are asked; "ADDRESS:PORT" (IPv4) asks that server alone; "none", or anything else, asks
// nobody: ask() gives Unknown, starts no thread and signals nothing.
class DomainLookup : public QObject
{
    Q_OBJECT

public:
    explicit DomainLookup(QObject *parent = nullptr);
    ~DomainLookup() override;
    DomainLookup(const DomainLookup &) = delete;
    DomainLookup &operator=(const DomainLookup &) = delete;

    // What is known of domain (ASCII as an address holds it, compared without case).
    // When nothing is known and no question about it is out, asks; answered() follows.
    // A name not worth asking (no dot, an address literal "[...]", empty) is never asked: Unknown.
    DomainAnswer ask(const QString &domain);
    // What is known now, without asking.
    DomainAnswer known(const QString &domain) const;
    // A question about domain is out.
    bool isAsking(const QString &domain) const;

Q_SIGNALS:
    // Also with Unknown when no answer came, so whoever waits stops waiting.
    // The domain comes lower-cased, as known() compares it.
    void answered(const QString &domain, DomainAnswer answer);

private:
    friend struct DomainQueue;

    bool startThread();
    void take(const QString &domain, DomainAnswer answer);

    QHash<QString, DomainAnswer> m_known;
    QSet<QString> m_asking;
    std::shared_ptr<DomainQueue> m_queue; // null when nobody is asked
    bool m_started = false;               // its thread
};

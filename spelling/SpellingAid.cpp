#include "SpellingAid.h"

#include "BodySpelling.h"
#include "Speller.h"
#include "SubjectSpelling.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QThreadPool>

SpellingAid::SpellingAid(QPlainTextEdit *body, QLineEdit *subject, QObject *parent)
    : QObject(parent), m_bodyBox(body), m_subjectBox(subject)
{}

void SpellingAid::start(Opener open)
{
    // The relay lives until the opened speller reaches this thread, so the
    // worker always has somewhere to post it, even once the aid is gone. The
    // application outlives the pool's work, and takes a relay whose speller
    // came too late.
    auto *relay = new QObject(QCoreApplication::instance());
    QPointer<SpellingAid> aid(this);
    QThreadPool::globalInstance()->start([open = std::move(open), relay, aid] {
        auto why = std::make_shared<QString>();
        std::shared_ptr<Speller> speller = open(why.get());
        QMetaObject::invokeMethod(
            relay,
            [relay, aid, speller, why] {
                relay->deleteLater();
                if (!aid)
                    return;
                if (speller)
                    aid->use(speller);
                else
                    Q_EMIT aid->unavailable(*why);
            },
            Qt::QueuedConnection);
    });
}

void SpellingAid::use(const std::shared_ptr<Speller> &speller)
{
    if (!speller || m_body || !m_bodyBox || !m_subjectBox)
        return;
    const auto recheck = [this] { this->recheck(); };
    m_body = new BodySpelling(m_bodyBox, speller, recheck);
    m_subject = new SubjectSpelling(m_subjectBox, speller, recheck);
    Q_EMIT ready();
}

void SpellingAid::recheck()
{
    if (m_body)
        m_body->refresh();
    if (m_subject)
        m_subject->refresh();
}

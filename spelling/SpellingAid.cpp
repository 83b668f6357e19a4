#include "SpellingAid.h"

#include "BodySpelling.h"
#include "Speller.h"
#include "SpellingTexts.h"
#include "SubjectSpelling.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <mutex>
#include <system_error>
#include <thread>

namespace {

// A load's way back to the window's thread: the relay, forgotten under the
// lock as the application deletes it. The load's thread holds its share, so
// a load that ends after the application touches nothing that went with it.
struct RelayHold
{
    std::mutex mutex;
    QObject *relay = nullptr;
};

// On the load's thread.
void relayOpened(const std::shared_ptr<RelayHold> &hold, const QPointer<SpellingAid> &aid,
                 std::unique_ptr<Speller> opened, const QString &why)
{
    const std::lock_guard lock(hold->mutex);
    if (!hold->relay) {
        // The application is gone and the process ending: freeing the library
        // here would race exit() tearing down what that uses (Qt's registry
        // of libraries, the dictionaries' own modules).
        static_cast<void>(opened.release());
        return;
    }
    QObject *relay = hold->relay;
    const std::shared_ptr<Speller> speller(std::move(opened));
    QMetaObject::invokeMethod(
        relay,
        [relay, aid, speller, why] {
            relay->deleteLater();
            if (!aid)
                return;
            if (speller)
                aid->use(speller);
            else
                Q_EMIT aid->unavailable(why);
        },
        Qt::QueuedConnection);
}

} // namespace

SpellingAid::SpellingAid(QPlainTextEdit *body, QLineEdit *subject, QObject *parent)
    : QObject(parent), m_bodyBox(body), m_subjectBox(subject)
{}

void SpellingAid::start(Opener open)
{
    // The relay lives until the opened speller reaches this thread, so the
    // load always has somewhere to post it, even once the aid is gone. The
    // application takes a relay whose speller came too late.
    auto *relay = new QObject(QCoreApplication::instance());
    auto hold = std::make_shared<RelayHold>();
    hold->relay = relay;
    connect(relay, &QObject::destroyed, [hold] {
        const std::lock_guard lock(hold->mutex);
        hold->relay = nullptr;
    });
    const auto load = [open = std::move(open), hold, aid = QPointer<SpellingAid>(this)] {
        QString why;
        std::unique_ptr<Speller> speller = open(&why);
        relayOpened(hold, aid, std::move(speller), why);
    };
    try {
        // Not the application's pool, which its exit waits for: a load stuck
        // in the library (a FIFO where it reads a list) must not keep the
        // process alive once the window has closed.
        std::thread(load).detach();
    } catch (const std::system_error &) {
        relay->deleteLater();
        Q_EMIT unavailable(spellingText(SpellingText::NoThread));
    }
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

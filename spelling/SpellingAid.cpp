#include "SpellingAid.h"

#include "BodySpelling.h"
#include "Speller.h"
#include "SpellingTexts.h"
#include "SubjectSpelling.h"
#include "common/ThreadRelay.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

// A speller is freed on the window's thread only. Its last owner anywhere
// else is a load that ended as the application went, with the process
// ending: freeing it there would race exit() tearing down what it uses (Qt's
// registry of libraries, the dictionaries' own modules), so it stays,
// reachable, to the end.
std::shared_ptr<Speller> freedOnWindowThread(std::unique_ptr<Speller> speller, std::thread::id window)
{
    return {speller.release(), [window](Speller *held) {
                if (std::this_thread::get_id() == window || !held) {
                    delete held;
                    return;
                }
                static auto *const lock = new std::mutex;
                static auto *const kept = new std::vector<Speller *>;
                const std::lock_guard guard(*lock);
                kept->push_back(held);
            }};
}

} // namespace

SpellingAid::SpellingAid(QPlainTextEdit *body, QLineEdit *subject, QObject *parent)
    : QObject(parent), m_bodyBox(body), m_subjectBox(subject)
{}

void SpellingAid::start(Opener open)
{
    if (m_started || !open || !m_bodyBox || !m_subjectBox)
        return;
    m_started = true;
    m_open = std::move(open);
    if (m_bodyBox->hasFocus() || m_subjectBox->hasFocus()) {
        this->open();
        return;
    }
    m_bodyBox->installEventFilter(this);
    m_subjectBox->installEventFilter(this);
}

bool SpellingAid::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn)
        open();
    return QObject::eventFilter(watched, event);
}

void SpellingAid::open()
{
    for (QWidget *box : {static_cast<QWidget *>(m_bodyBox), static_cast<QWidget *>(m_subjectBox)})
        if (box)
            box->removeEventFilter(this);
    if (!m_open)
        return;
    // Through the application, which outlives the aid: a speller that comes
    // after the window has gone is freed on the window's thread all the same.
    const auto load
        = [open = std::exchange(m_open, Opener()), relay = ThreadRelay::to(QCoreApplication::instance()),
           aid = QPointer<SpellingAid>(this), window = std::this_thread::get_id()] {
              QString why;
              std::shared_ptr<Speller> opened = freedOnWindowThread(open(&why), window);
              // Moved into the call: the load keeps no share of its own.
              relay->post([aid, opened = std::move(opened), why] {
                  if (!aid)
                      return;
                  if (opened)
                      aid->use(opened);
                  else
                      Q_EMIT aid->unavailable(why);
              });
          };
    try {
        // Not the application's pool, which its exit waits for: a load stuck
        // in the library (a FIFO where it reads a list) must not keep the
        // process alive once the window has closed.
        std::thread(load).detach();
    } catch (const std::system_error &) {
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

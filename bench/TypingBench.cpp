#include "TypingBench.h"

#include "composer/Form1.h"
#include "mail/KorvaneSTMP.h"
#include "settings/QSettingsStore.h"
#include "spelling/EnchantSpeller.h"
#include "ui/QtMessageUi.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr int keyIntervalMs = 40;

// A store with no file: the window then keeps no recovery copy.
class NoFileStore : public SettingsStore
{
public:
    std::optional<QString> read(const QString & /*section*/, const QString & /*key*/) override
    {
        return QString();
    }
    bool write(const QString & /*section*/, const QString & /*key*/, const QString & /*text*/) override
    {
        return true;
    }
};

QString bodyOf(int megabytes, bool prose)
{
    const QString line = prose
        ? QStringLiteral("Una riga di prova in italiano, scritta bene tranne un erorre qui.\n")
        : QString(79, u'a') + u'\n';
    QString text;
    text.reserve(qsizetype(megabytes) * 1000 * 1000);
    while (text.size() < qsizetype(megabytes) * 1000 * 1000)
        text += line;
    return text;
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.at(std::min(values.size() - 1, std::size_t(double(values.size()) * fraction)));
}

// The window thread's time running and waiting for a core so far, from the
// kernel's schedstat: tells a key held up by the scheduler from one held
// up by the program.
std::pair<qint64, qint64> threadAccountNs()
{
    FILE *file = std::fopen("/proc/thread-self/schedstat", "re");
    long long run = 0;
    long long wait = 0;
    if (file) {
        if (std::fscanf(file, "%lld %lld", &run, &wait) != 2)
            run = wait = 0;
        std::fclose(file);
    }
    return {run, wait};
}

void typeOneKey(QWidget *target, int n, bool prose)
{
    static const QString words = QStringLiteral("ciao come stai oggi bene grazie sbaglaito ");
    const QChar typed = prose ? words[n % words.size()] : QChar(u'a' + n % 26);
    const auto key = typed == u' ' ? Qt::Key_Space : Qt::Key(Qt::Key_A + (typed.unicode() - u'a'));
    const QString text(typed);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
}

// Each key's latency, and for the worst one how its thread spent the time
// since the key before.
struct KeyLog
{
    std::vector<double> latencies;
    qint64 dueNs = 0;
    std::pair<qint64, qint64> lastAccount;
    double worst = -1;
    double worstRunMs = 0;
    double worstWaitMs = 0;

    void start()
    {
        dueNs = qint64(keyIntervalMs) * 1000 * 1000;
        lastAccount = threadAccountNs();
    }

    void add(qint64 startNs, qint64 endNs)
    {
        const double latency = double(endNs - std::min(dueNs, startNs)) / 1e6;
        latencies.push_back(latency);
        const std::pair<qint64, qint64> account = threadAccountNs();
        if (latency > worst) {
            // Over the whole interval since the last key: an upper bound.
            worst = latency;
            worstRunMs = double(account.first - lastAccount.first) / 1e6;
            worstWaitMs = double(account.second - lastAccount.second) / 1e6;
        }
        lastAccount = account;
        dueNs = endNs + qint64(keyIntervalMs) * 1000 * 1000;
    }

    void print(bool recovery, int copies) const
    {
        std::printf("keys=%zu recovery=%d latency_median_ms=%.3f latency_p99_ms=%.3f latency_max_ms=%.3f"
                    " directory_changes=%d worst_key_running_ms=%.3f worst_key_waiting_for_core_ms=%.3f\n",
                    latencies.size(), recovery ? 1 : 0, percentile(latencies, 0.5),
                    percentile(latencies, 0.99), percentile(latencies, 1.0), copies, worstRunMs, worstWaitMs);
    }
};

// Calls type at once, or with spelling on once the dictionary has loaded.
void whenSpellingReady(Form1 &form, int spelling, const std::function<void()> &type)
{
    if (spelling != 1) {
        type();
        return;
    }
    QObject::connect(form.spelling(), &SpellingAid::ready, &form, type);
    QObject::connect(form.spelling(), &SpellingAid::unavailable, &form, [](const QString &why) {
        std::fprintf(stderr, "no spelling: %s\n", qPrintable(why));
        QApplication::exit(1);
    });
    form.checkSpelling([](QString *why) { return EnchantSpeller::open(why); });
}

} // namespace

int runTypingBench(int megabytes, bool recovery, int seconds, int spelling)
{
    const bool prose = spelling >= 0;
    QtMessageUi ui;
    QSettingsStore fileStore;
    NoFileStore noFile;
    Form1 form(std::make_unique<KorvaneSTMP>(), ui,
               recovery ? static_cast<SettingsStore &>(fileStore) : noFile);
    ui.setDialogParent(&form);
    QPlainTextEdit *body = form.controls().body;
    body->setPlainText(bodyOf(megabytes, prose)); // a paste: the first copy holds it
    QTextCursor middle(body->document());
    middle.setPosition(body->document()->characterCount() / 2);
    body->setTextCursor(middle);
    form.show();
    body->setFocus();

    int copies = 0;
    QFileSystemWatcher watcher{{QFileInfo(fileStore.fileName()).absolutePath()}};
    QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &form, [&copies] { ++copies; });

    KeyLog log;
    QElapsedTimer clock;
    QTimer keys;
    keys.setTimerType(Qt::PreciseTimer);
    QObject::connect(&keys, &QTimer::timeout, &form, [&] {
        const qint64 startNs = clock.nsecsElapsed();
        typeOneKey(body, int(log.latencies.size()), prose);
        if (prose)
            QCoreApplication::processEvents(); // the marks and the repaint
        log.add(startNs, clock.nsecsElapsed());
    });
    whenSpellingReady(form, spelling, [&] {
        QTimer::singleShot(500, &form, [&] {
            clock.start();
            log.start();
            keys.start(keyIntervalMs);
        });
        QTimer::singleShot(500 + seconds * 1000, &form, [&] {
            keys.stop();
            std::printf("spelling=%d ", spelling);
            log.print(recovery, copies);
            QApplication::quit();
        });
    });
    return QApplication::exec();
}

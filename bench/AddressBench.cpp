#include "AddressBench.h"

#include "addresses/AddressFile.h"
#include "composer/AddressBoxCheck.h"
#include "composer/AddressChecks.h"
#include "composer/Form1.h"
#include "mail/KorvaneSTMP.h"
#include "settings/QSettingsStore.h"
#include "ui/QtMessageUi.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr int keyIntervalMs = 40;

// Finished items the checks look at again on every key: fine, a domain that
// looks mistyped (only an address, no mail exchanger), one that does not
// exist, and a name with its address.
const QString filledIn
    = QStringLiteral("a@gmail.com, b@gmial.com, c@esempio-che-non-esiste.it, Mario Rossi <m@libero.it>, ");

QList<AddressEntry> fullFile(int nameLength)
{
    QList<AddressEntry> entries;
    for (int n = 0; n < AddressFile::limit; ++n) {
        QString name = QStringLiteral("Mario Rossi %1").arg(n);
        while (name.size() < nameLength)
            name += QStringLiteral(" parola");
        name.truncate(nameLength);
        entries << AddressEntry{name, QStringLiteral("mario.rossi%1@example.org").arg(n)};
    }
    return entries;
}

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

void pressKey(QWidget *target, int n)
{
    static const QString keys = QStringLiteral("ossi\b\b\b\b");
    const QChar typed = keys[n % keys.size()];
    const bool back = typed == u'\b';
    const auto key = back ? Qt::Key_Backspace : Qt::Key(Qt::Key_A + (typed.unicode() - u'a'));
    const QString text = back ? QString() : QString(typed);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
}

double at(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.at(std::min(values.size() - 1, std::size_t(double(values.size()) * fraction)));
}

// Calls type at once, or with the checks on once they are made: after the
// window's first paint, as in the program.
void whenChecksReady(Form1 &form, bool checks, const std::function<void()> &type)
{
    if (!checks) {
        type();
        return;
    }
    form.checkAddresses();
    auto *made = new QTimer(&form);
    QObject::connect(made, &QTimer::timeout, &form, [&form, made, type] {
        if (form.addressChecks() == nullptr)
            return;
        made->stop();
        made->deleteLater();
        type();
    });
    made->start(5);
}

qsizetype marksIn(const Form1 &form, const QLineEdit *box)
{
    const AddressChecks *checks = form.addressChecks();
    const AddressBoxCheck *check = checks != nullptr ? checks->boxCheck(box) : nullptr;
    return check != nullptr ? check->marks().size() : 0;
}

void report(int nameLength, bool checks, const std::vector<double> &latencies, double worstCpuMs,
            qsizetype marks)
{
    std::printf("name_length=%d checks=%d keys=%zu latency_median_ms=%.3f latency_p99_ms=%.3f"
                " latency_max_ms=%.3f worst_key_cpu_ms=%.3f marks=%lld\n",
                nameLength, checks ? 1 : 0, latencies.size(), at(latencies, 0.5), at(latencies, 0.99),
                at(latencies, 1.0), worstCpuMs, static_cast<long long>(marks));
    std::fflush(stdout); // the figures kept whatever the exit
}

} // namespace

int runAddressBench(int nameLength, int seconds, bool checks)
{
    QtMessageUi ui;
    QSettingsStore store;
    if (!AddressFile(AddressFile::besideSettings(store.fileName())).apply({fullFile(nameLength), {}}))
        return 1;
    Form1 form(std::make_unique<KorvaneSTMP>(), ui, store);
    ui.setDialogParent(&form);
    QLineEdit *box = form.controls().recipient;
    std::vector<double> latencies;
    double worst = -1;
    double worstCpuMs = 0;
    QElapsedTimer clock;
    qint64 dueNs = 0;
    QTimer keys;
    keys.setTimerType(Qt::PreciseTimer);
    QObject::connect(&keys, &QTimer::timeout, &form, [&] {
        const qint64 startNs = clock.nsecsElapsed();
        const double cpuMs = threadCpuMs();
        pressKey(box, int(latencies.size()));
        // The list laid out and painted, the marks set; then the box painted
        // again with them, which the marks leave for the turn after.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        const qint64 endNs = clock.nsecsElapsed();
        const double latency = double(endNs - std::min(dueNs, startNs)) / 1e6;
        latencies.push_back(latency);
        if (latency > worst) {
            worst = latency;
            worstCpuMs = threadCpuMs() - cpuMs;
        }
        dueNs = endNs + qint64(keyIntervalMs) * 1000 * 1000;
    });
    whenChecksReady(form, checks, [&] {
        QTimer::singleShot(500, &form, [&] {
            clock.start();
            dueNs = qint64(keyIntervalMs) * 1000 * 1000;
            keys.start(keyIntervalMs);
        });
        QTimer::singleShot(500 + seconds * 1000, &form, [&] {
            keys.stop();
            report(nameLength, checks, latencies, worstCpuMs, marksIn(form, box));
            QApplication::quit();
        });
    });
    form.show();
    box->setFocus();
    box->setText(filledIn + u'r');
    return QApplication::exec();
}

#include "AddressBench.h"

#include "AddressFile.h"
#include "Form1.h"
#include "KorvaneSTMP.h"
#include "QSettingsStore.h"
#include "QtMessageUi.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int keyIntervalMs = 40;

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

} // namespace

int runAddressBench(int nameLength, int seconds)
{
    QtMessageUi ui;
    QSettingsStore store;
    if (!AddressFile(AddressFile::besideSettings(store.fileName())).apply({fullFile(nameLength), {}}))
        return 1;
    Form1 form(std::make_unique<KorvaneSTMP>(), ui, store);
    ui.setDialogParent(&form);
    QLineEdit *box = form.controls().recipient;
    form.show();
    box->setFocus();
    box->setText(QStringLiteral("r"));

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
        QCoreApplication::processEvents(); // the list laid out and painted
        const qint64 endNs = clock.nsecsElapsed();
        const double latency = double(endNs - std::min(dueNs, startNs)) / 1e6;
        latencies.push_back(latency);
        if (latency > worst) {
            worst = latency;
            worstCpuMs = threadCpuMs() - cpuMs;
        }
        dueNs = endNs + qint64(keyIntervalMs) * 1000 * 1000;
    });
    QTimer::singleShot(500, &form, [&] {
        clock.start();
        dueNs = qint64(keyIntervalMs) * 1000 * 1000;
        keys.start(keyIntervalMs);
    });
    QTimer::singleShot(500 + seconds * 1000, &form, [&] {
        keys.stop();
        std::printf("name_length=%d keys=%zu latency_median_ms=%.3f latency_p99_ms=%.3f latency_max_ms=%.3f"
                    " worst_key_cpu_ms=%.3f\n",
                    nameLength, latencies.size(), at(latencies, 0.5), at(latencies, 0.99), at(latencies, 1.0),
                    worstCpuMs);
        QApplication::quit();
    });
    return QApplication::exec();
}

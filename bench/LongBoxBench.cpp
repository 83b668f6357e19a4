#include "LongBoxBench.h"

#include "composer/AddressBoxCheck.h"
#include "composer/AddressChecks.h"
#include "composer/ComposerLayout.h"
#include "composer/Form1.h"
#include "mail/KorvaneSTMP.h"
#include "settings/QSettingsStore.h"
#include "spelling/EnchantSpeller.h"
#include "spelling/SpellingAid.h"
#include "spelling/SubjectSpelling.h"
#include "ui/QtMessageUi.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The event loop for ms, asleep while it has nothing to do.
void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void waitFor(const std::function<bool()> &done, int ms)
{
    for (int waited = 0; !done() && waited < ms; waited += 10)
        settle(10);
}

// The box's own kind of text, about 30 characters an item, every other one
// marked: a domain that looks mistyped, an unknown word.
QString longText(const QString &box, int items)
{
    QString text;
    for (int n = 0; n < items; ++n) {
        const bool slip = n % 2 == 1;
        if (box == u"attachments")
            text += QStringLiteral("/home/utente/doc/file%1.pdf;").arg(n);
        else if (box == u"subject")
            text += QStringLiteral("una parola %1 numero %2 ")
                        .arg(slip ? u"sbaglaita"_s : u"scritta"_s)
                        .arg(n);
        else
            text += QStringLiteral("nome.cognome%1@%2, ").arg(n).arg(slip ? u"gmial.com"_s : u"esempio.it"_s);
    }
    return text;
}

QLineEdit *boxOf(const ComposerLayout::Controls &controls, const QString &name)
{
    if (name == u"recipient")
        return controls.recipient;
    if (name == u"attachments")
        return controls.attachments;
    if (name == u"subject")
        return controls.subject;
    return controls.server;
}

// From the cursor where the user left it, the keys and what they left for
// the event loop, the recovery copy's snapshot a second later included.
double typeInto(QLineEdit *box, int keys, bool middle)
{
    box->setFocus();
    box->setCursorPosition(middle ? int(box->text().size() / 2) : int(box->text().size()));
    settle(300);
    const double before = threadCpuMs();
    for (int n = 0; n < keys; ++n) {
        const QString letter(QChar(u'a' + n % 26));
        const auto key = Qt::Key(Qt::Key_A + n % 26);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, letter);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, letter);
        QApplication::sendEvent(box, &press);
        QApplication::sendEvent(box, &release);
        settle(100);
    }
    settle(1200);
    return threadCpuMs() - before;
}

int report(const QString &box, const QLineEdit *target, int items, int keys, double cpuMs, qsizetype marks)
{
    std::printf("box=%s items=%d characters=%lld keys=%d cpu_ms=%.1f cpu_ms_per_key=%.2f marks=%lld\n",
                qPrintable(box), items, static_cast<long long>(target->text().size()), keys, cpuMs,
                cpuMs / keys, static_cast<long long>(marks));
    std::fflush(stdout);
    return 0;
}

} // namespace

int runLongBoxBench(const QString &box, int items, int keys, bool middle)
{
    if (box.startsWith(u"bare-")) {
        const QString kind = box.sliced(5);
        QWidget window;
        window.resize(ComposerLayout::clientSizePixels());
        QLineEdit *bare = boxOf(ComposerLayout::build(&window), kind);
        window.show();
        bare->setText(longText(kind, items));
        settle(500);
        return report(box, bare, items, keys, typeInto(bare, keys, middle), 0);
    }
    QtMessageUi ui;
    QSettingsStore store;
    Form1 form(std::make_unique<KorvaneSTMP>(), ui, store);
    ui.setDialogParent(&form);
    form.show();
    form.checkAddresses();
    bool spelling = false;
    QObject::connect(form.spelling(), &SpellingAid::ready, &form, [&spelling] { spelling = true; });
    form.checkSpelling([](QString *why) { return EnchantSpeller::open(why); });
    QLineEdit *target = boxOf(form.controls(), box);
    target->setFocus(); // a dictionary loaded when first needed is loaded before the keys
    const bool subject = target == form.controls().subject;
    waitFor([&] { return form.addressChecks() != nullptr && (spelling || !subject); }, 5000);
    target->setText(longText(box, items));
    settle(1000);
    const double cpuMs = typeInto(target, keys, middle);
    const AddressBoxCheck *check = form.addressChecks()->boxCheck(target);
    const SubjectSpelling *words = subject ? form.spelling()->subject() : nullptr;
    const qsizetype marks = check ? check->marks().size() : words ? words->marked().size() : 0;
    return report(box, target, items, keys, cpuMs, marks);
}

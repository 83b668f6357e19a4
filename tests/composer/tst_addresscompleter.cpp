#include "addresses/AddressFile.h"
#include "composer/AddressCompleter.h"
#include "composer/Form1.h"
#include "tests/support/FakeMailComponent.h"
#include "tests/support/FakeMessageUi.h"
#include "tests/support/MemorySettingsStore.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The fields in memory, with a settings file's folder on disk for the
// addresses' file to go in.
class FolderStore : public MemorySettingsStore
{
public:
    explicit FolderStore(QString file) : m_file(std::move(file)) {}
    QString fileName() const override { return m_file; }

private:
    QString m_file;
};

struct Window
{
    explicit Window(const QString &settingsFile) : store(settingsFile)
    {
        auto owned = std::make_unique<FakeMailComponent>();
        mail = owned.get();
        form = std::make_unique<Form1>(std::move(owned), ui, store);
    }
    QList<QLineEdit *> boxes() const
    {
        const auto &c = form->controls();
        return {c.sender, c.recipient, c.cc, c.bcc};
    }
    QCompleter *completer(QLineEdit *box) const { return box->findChild<AddressCompleter *>()->completer(); }

    FakeMessageUi ui;
    FolderStore store;
    FakeMailComponent *mail = nullptr;
    std::unique_ptr<Form1> form;
};

QStringList addressesIn(const QString &path)
{
    QStringList found;
    for (const AddressEntry &entry : AddressFile(path).read())
        found << entry.display();
    return found;
}

} // namespace

class TestAddressCompleter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void sendOutcome_data();
    void sendOutcome();
    void chosenSuggestionTakesItemsPlace_data();
    void chosenSuggestionTakesItemsPlace();
    void shiftDeleteForgets();
    void damagedFileStartsEmpty();
    void onlyAddressBoxesOffer();

private:
    QString settingsFile() const { return QDir(m_config->path()).filePath(u"KORVANE_CLIENT_STMP.ini"_s); }
    QString addressFile() const { return AddressFile::besideSettings(settingsFile()); }
    void remember(const QStringList &entries) const;

    std::unique_ptr<QTemporaryDir> m_config;
};

void TestAddressCompleter::init()
{
    m_config = std::make_unique<QTemporaryDir>();
    QVERIFY(m_config->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config->path()));
}

void TestAddressCompleter::remember(const QStringList &entries) const
{
    AddressFile::Change change;
    for (const QString &entry : entries)
        change.used << addressEntries(entry);
    QVERIFY(AddressFile(addressFile()).apply(change));
}

void TestAddressCompleter::sendOutcome_data()
{
    QTest::addColumn<bool>("completed");
    QTest::newRow("failed send adds nothing") << false;
    QTest::newRow("completed send adds all four fields") << true;
}

void TestAddressCompleter::sendOutcome()
{
    QFETCH(bool, completed);
    Window w(settingsFile());
    const QStringList typed{u"Io <io@x.it>"_s, u"a@x.it; \"Rossi, Mario\" <m@y.it>"_s, u"c@x.it"_s,
                            u"d@x.it"_s};
    for (int n = 0; n < 4; ++n)
        w.boxes()[n]->setText(typed[n]);
    w.form->controls().send->click();
    // What the boxes hold once the send is under way is not what was sent.
    w.boxes()[2]->setText(u"altro@x.it"_s);
    if (completed)
        Q_EMIT w.mail->SendCompleted();
    else
        Q_EMIT w.mail->SendFailed(550, u"no"_s);

    if (completed) {
        const QStringList expected{u"Io <io@x.it>"_s, u"a@x.it"_s, u"\"Rossi, Mario\" <m@y.it>"_s,
                                   u"c@x.it"_s, u"d@x.it"_s};
        QTRY_COMPARE(addressesIn(addressFile()), expected);
        return;
    }
    // A send that completes afterwards brings its own addresses and no others.
    for (QLineEdit *box : w.boxes())
        box->clear();
    w.boxes()[0]->setText(u"z@x.it"_s);
    w.mail->ready = true; // the failed send is over
    w.form->controls().send->click();
    Q_EMIT w.mail->SendCompleted();
    QTRY_COMPARE(addressesIn(addressFile()), QStringList{u"z@x.it"_s});
}

void TestAddressCompleter::chosenSuggestionTakesItemsPlace_data()
{
    QTest::addColumn<bool>("click"); // else Down and Return
    QTest::addColumn<QString>("name");
    QTest::newRow("Down and Return") << false << u"Mario Rossi"_s;
    QTest::newRow("click") << true << u"Mario Rossi"_s;
    QTest::newRow("long name: shown cut, put in whole") << false << u"Mario Rossi "_s + QString(2000, u'x');
}

void TestAddressCompleter::chosenSuggestionTakesItemsPlace()
{
    QFETCH(bool, click);
    QFETCH(QString, name);
    remember({name + u" <m@y.it>"_s, u"anna@x.it"_s});
    Window w(settingsFile());
    w.form->show();
    QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
    QLineEdit *box = w.form->controls().cc;
    box->setText(u"b@z.it; "_s);
    box->setFocus();
    QTest::keyClicks(box, u"ros"_s);
    QAbstractItemView *popup = w.completer(box)->popup();
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(popup->model()->rowCount(), 1);
    QCOMPARE(popup->model()->index(0, 0).data().toString(), (AddressEntry{name, u"m@y.it"_s}.listed()));
    if (click) {
        const QRect item = popup->visualRect(popup->model()->index(0, 0));
        QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, item.center());
    } else {
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return);
    }
    QCOMPARE(box->text(), u"b@z.it; "_s + name + u" <m@y.it>, "_s);
    QCOMPARE(box->cursorPosition(), box->text().size());
}

void TestAddressCompleter::shiftDeleteForgets()
{
    remember({u"Mario Rossi <m@y.it>"_s, u"marta@x.it"_s});
    Window w(settingsFile());
    w.form->show();
    QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
    QLineEdit *box = w.form->controls().recipient;
    box->setFocus();
    QTest::keyClicks(box, u"mar"_s);
    QAbstractItemView *popup = w.completer(box)->popup();
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(popup->model()->rowCount(), 2);
    QTest::keyClick(popup, Qt::Key_Down); // Mario, sent first
    QTest::keyClick(popup, Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(popup->model()->rowCount(), 1);
    QCOMPARE(box->text(), u"mar"_s);
    QTRY_COMPARE(addressesIn(addressFile()), QStringList{u"marta@x.it"_s});
}

void TestAddressCompleter::damagedFileStartsEmpty()
{
    QFile damaged(addressFile());
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("non sono indirizzi");
    damaged.close();
    Window w(settingsFile());
    QLineEdit *box = w.form->controls().recipient;
    box->setFocus();
    QTest::keyClicks(box, u"n"_s); // the first key has the file read
    QVERIFY(QFile::exists(addressFile() + u".bad"_s));
    QCOMPARE(w.completer(box)->completionModel()->rowCount(), 0);
}

// The server, the attachments and the subject are no address lists; the
// credential prompts are dialogs of their own, with nothing attached.
void TestAddressCompleter::onlyAddressBoxesOffer()
{
    Window w(settingsFile());
    QList<QObject *> offering;
    for (const AddressCompleter *completer : w.form->findChildren<AddressCompleter *>())
        offering << completer->parent();
    QCOMPARE(offering.size(), 4);
    for (QLineEdit *box : w.boxes())
        QVERIFY(offering.contains(box));
}

QTEST_MAIN(TestAddressCompleter)
#include "tst_addresscompleter.moc"

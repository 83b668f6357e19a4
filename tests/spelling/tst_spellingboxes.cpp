#include "composer/ComponentPlace.h"
#include "spelling/BodySpelling.h"
#include "spelling/EnchantSpeller.h"
#include "spelling/PersonalWordLists.h"
#include "spelling/SpellingAid.h"
#include "spelling/SubjectSpelling.h"
#include "tests/support/Form1Fixture.h"
#include "tests/support/TestFiles.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QThread>

#include <atomic>

namespace {

// The real dictionary, counted: how many words the boxes asked about.
class CountingSpeller : public Speller
{
public:
    explicit CountingSpeller(std::unique_ptr<Speller> real) : m_real(std::move(real)) {}
    bool isCorrect(const QString &word) override
    {
        ++asked;
        return m_real->isCorrect(word);
    }
    QStringList suggestions(const QString &word, int most) override
    {
        return m_real->suggestions(word, most);
    }
    void ignore(const QString &word) override { m_real->ignore(word); }
    void addToPersonal(const QString &word) override { m_real->addToPersonal(word); }
    int asked = 0;

private:
    std::unique_ptr<Speller> m_real;
};

// Knows every word; notes the thread it is freed on.
class NotingSpeller : public Speller
{
public:
    explicit NotingSpeller(std::atomic<QThread *> &freedOn) : m_freedOn(freedOn) {}
    ~NotingSpeller() override { m_freedOn = QThread::currentThread(); }
    NotingSpeller(const NotingSpeller &) = delete;
    NotingSpeller &operator=(const NotingSpeller &) = delete;
    bool isCorrect(const QString & /*word*/) override { return true; }
    QStringList suggestions(const QString & /*word*/, int /*most*/) override { return {}; }
    void ignore(const QString & /*word*/) override {}
    void addToPersonal(const QString & /*word*/) override {}

private:
    std::atomic<QThread *> &m_freedOn;
};

std::unique_ptr<Speller> italian()
{
    QString why;
    auto speller = EnchantSpeller::open(&why);
    if (!speller)
        qFatal("no Italian dictionary: %s", qPrintable(why));
    return speller;
}

QStringList markedIn(const QPlainTextEdit *body)
{
    QStringList words;
    for (const QTextEdit::ExtraSelection &mark : body->extraSelections())
        words << mark.cursor.selectedText();
    return words;
}

QStringList markedIn(const QLineEdit *subject, const SubjectSpelling *spelling)
{
    QStringList words;
    for (const ProseWords::Span &word : spelling->marked())
        words << subject->text().mid(word.start, word.length);
    return words;
}

QStringList texts(const QList<QAction *> &actions)
{
    QStringList result;
    for (const QAction *action : actions)
        result << (action->isSeparator() ? QStringLiteral("|") : action->text());
    return result;
}

QAction *actionNamed(QMenu *menu, const QString &text)
{
    for (QAction *action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

// What a test puts in the place of a personal word list, as its row names it.
bool makeList(const QString &path, const QString &kind)
{
    QFile::remove(path); // the one the library made for the tests before
    return TestFiles::makeKind(path, kind, "korvanesca\n", PersonalWordLists::kMaxBytes + 1);
}

// The marks come at the next turn of the event loop.
void letMarksCome()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

} // namespace

class TestSpellingBoxes : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void marks_data();
    void marks();
    void wordBeingTypedWaits();
    void menuReplacesAsOneUndoStep();
    void ignoredWordLeavesBothBoxes();
    void longBodyCheckedOnlyInView();
    void windowWithoutDictionary();
    void windowWithDictionary_data();
    void windowWithDictionary();
    void spellerAfterTheWindowIsFreed();
    void personalListsChecked_data();
    void personalListsChecked();

private:
    std::unique_ptr<QWidget> m_window;
    QPlainTextEdit *m_body = nullptr;
    QLineEdit *m_subject = nullptr;
    SpellingAid *m_aid = nullptr;
    CountingSpeller *m_speller = nullptr;
};

void TestSpellingBoxes::init()
{
    m_window = std::make_unique<QWidget>();
    m_subject = new QLineEdit(m_window.get());
    m_subject->setGeometry(0, 0, 400, 25);
    m_body = new QPlainTextEdit(m_window.get());
    m_body->setGeometry(0, 30, 400, 300);
    m_window->resize(400, 330);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_aid = new SpellingAid(m_body, m_subject, m_window.get());
    auto speller = std::make_shared<CountingSpeller>(italian());
    m_speller = speller.get();
    m_aid->use(speller);
}

void TestSpellingBoxes::cleanup() { m_window.reset(); }

// NOLINTNEXTLINE(readability-function-size)
void TestSpellingBoxes::marks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("marked");
    QTest::newRow("correct Italian") << "Perché l'acqua è già qui, dell'anno scorso." << QStringList{};
    QTest::newRow("typos") << "Questa frase contiene un erorre e uno sbaglaito."
                           << QStringList{"erorre", "sbaglaito"};
    QTest::newRow("quoted line") << "> citazione con erorre" << QStringList{};
    QTest::newRow("address and links")
        << "scrivi a erorre@esempio.it o www.erorre.it o /tmp/erorre" << QStringList{};
    QTest::newRow("digits and capitals") << "codice erorre2 della FRSB e dell'ONU" << QStringList{};
}

void TestSpellingBoxes::marks()
{
    QFETCH(QString, text);
    QFETCH(QStringList, marked);
    m_body->setPlainText(QStringLiteral("Prima riga.\n") + text);
    m_subject->setText(text);
    QTRY_COMPARE(markedIn(m_body), marked);
    QTRY_COMPARE(markedIn(m_subject, m_aid->subject()), marked);
    QCOMPARE(m_body->toPlainText(), QStringLiteral("Prima riga.\n") + text); // nothing of it changed
    QCOMPARE(m_subject->text(), text);
}

void TestSpellingBoxes::wordBeingTypedWaits()
{
    for (QWidget *box : {static_cast<QWidget *>(m_body), static_cast<QWidget *>(m_subject)}) {
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("ciao erorre"));
        letMarksCome();
        const auto marked
            = [&] { return box == m_body ? markedIn(m_body) : markedIn(m_subject, m_aid->subject()); };
        QCOMPARE(marked(), QStringList{});
        QTest::keyClick(box, Qt::Key_Space);
        QTRY_COMPARE(marked(), QStringList{QStringLiteral("erorre")});
    }
    // A paste is not typing: its last word is marked at once.
    m_body->insertPlainText(QStringLiteral(" sbaglaito"));
    QTRY_COMPARE(markedIn(m_body), (QStringList{QStringLiteral("erorre"), QStringLiteral("sbaglaito")}));
}

void TestSpellingBoxes::menuReplacesAsOneUndoStep()
{
    const QString text = QStringLiteral("Un erorre qui");
    m_body->setPlainText(text);
    m_subject->setText(text);
    QTextCursor inWord(m_body->document());
    inWord.setPosition(5);
    m_subject->setCursorPosition(5);
    const QPoint subjectPoint = m_subject->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
    std::unique_ptr<QMenu> menus[]
        = {std::unique_ptr<QMenu>(m_aid->body()->contextMenu(m_body->cursorRect(inWord).center())),
           std::unique_ptr<QMenu>(m_aid->subject()->contextMenu(subjectPoint))};
    for (const auto &menu : menus) {
        const QStringList items = texts(menu->actions());
        const qsizetype ignore = items.indexOf(QStringLiteral("Ignora"));
        QVERIFY2(ignore >= 2 && ignore <= 6, qPrintable(items.join(u' ')));
        QVERIFY(items.mid(0, ignore - 1).contains(QStringLiteral("errore")));
        QCOMPARE(items.mid(ignore - 1, 4), (QStringList{"|", "Ignora", "Aggiungi al dizionario", "|"}));
        QVERIFY(items.size() > ignore + 3); // the box's own menu follows
        actionNamed(menu.get(), QStringLiteral("errore"))->trigger();
    }
    QCOMPARE(m_body->toPlainText(), QStringLiteral("Un errore qui"));
    QCOMPARE(m_subject->text(), QStringLiteral("Un errore qui"));
    QTRY_COMPARE(markedIn(m_body), QStringList{});
    m_body->undo();
    m_subject->undo();
    QCOMPARE(m_body->toPlainText(), text);
    QCOMPARE(m_subject->text(), text);
}

void TestSpellingBoxes::ignoredWordLeavesBothBoxes()
{
    m_body->setPlainText(QStringLiteral("Parola korvanesca"));
    m_subject->setText(QStringLiteral("korvanesca"));
    QTRY_COMPARE(markedIn(m_body), QStringList{QStringLiteral("korvanesca")});
    QTRY_COMPARE(markedIn(m_subject, m_aid->subject()), QStringList{QStringLiteral("korvanesca")});
    QTextCursor inWord(m_body->document());
    inWord.setPosition(10);
    std::unique_ptr<QMenu> menu(m_aid->body()->contextMenu(m_body->cursorRect(inWord).center()));
    actionNamed(menu.get(), QStringLiteral("Ignora"))->trigger();
    QTRY_COMPARE(markedIn(m_body), QStringList{});
    QTRY_COMPARE(markedIn(m_subject, m_aid->subject()), QStringList{});
    // A right click on a correct word gives the box's own menu alone.
    std::unique_ptr<QMenu> plain(m_aid->body()->contextMenu(m_body->cursorRect(inWord).center()));
    QVERIFY(!texts(plain->actions()).contains(QStringLiteral("Ignora")));
}

// Each key costs the lines in view, whatever the length of the body or the subject.
void TestSpellingBoxes::longBodyCheckedOnlyInView()
{
    QString body;
    const QString line = QStringLiteral("Questa è una riga di prova, scritta in italiano corretto.\n");
    while (body.size() < qsizetype(1000) * 1000)
        body += line;
    body += QStringLiteral("In fondo un erorre.");
    m_body->setPlainText(body);
    QTRY_VERIFY(m_speller->asked > 0);
    const int wordsInView = m_speller->asked;
    QVERIFY2(wordsInView < 1000, qPrintable(QString::number(wordsInView)));
    QCOMPARE(markedIn(m_body), QStringList{});
    m_body->setFocus();
    QTest::keyClicks(m_body, QStringLiteral("ciao "));
    letMarksCome();
    QVERIFY(m_speller->asked - wordsInView < 10 * wordsInView);
    m_body->moveCursor(QTextCursor::End);
    QTRY_COMPARE(markedIn(m_body), QStringList{QStringLiteral("erorre")});
    m_speller->asked = 0;
    m_subject->setMaxLength(int(body.size()));
    m_subject->setText(body.replace(u'\n', u' '));
    QTRY_COMPARE(markedIn(m_subject, m_aid->subject()), QStringList{QStringLiteral("erorre")});
    QVERIFY2(m_speller->asked < 1000, qPrintable(QString::number(m_speller->asked)));
}

void TestSpellingBoxes::windowWithoutDictionary()
{
    Form1Fixture fixture;
    fixture.form->show();
    QSignalSpy unavailable(fixture.form->spelling(), &SpellingAid::unavailable);
    fixture.form->checkSpelling([](QString *why) {
        *why = QStringLiteral("nessun dizionario per la lingua it_IT");
        return std::unique_ptr<Speller>();
    });
    fixture.body()->setFocus();
    QTRY_COMPARE(unavailable.size(), 1);
    QCOMPARE(unavailable.at(0).at(0).toString(), QStringLiteral("nessun dizionario per la lingua it_IT"));
    QTest::keyClicks(fixture.body(), QStringLiteral("un erorre "));
    letMarksCome();
    QCOMPARE(markedIn(fixture.body()), QStringList{});
    QVERIFY(!fixture.form->spelling()->body());
    QCOMPARE(fixture.ui.calls.size(), 0); // no message about it
}

void TestSpellingBoxes::windowWithDictionary_data()
{
    QTest::addColumn<QString>("focus"); // the box that first has the focus
    QTest::newRow("Oggetto") << QStringLiteral("txtOggetto");
    QTest::newRow("Contenuto") << QStringLiteral("txtContenuto");
}

// Opened when either box first has the focus, not for a window at rest.
void TestSpellingBoxes::windowWithDictionary()
{
    QFETCH(QString, focus);
    Form1Fixture fixture;
    fixture.form->show();
    std::atomic<int> opened = 0;
    fixture.form->checkSpelling([&opened](QString *why) {
        ++opened;
        return EnchantSpeller::open(why);
    });
    fixture.controls().recipient->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(fixture.form.get()));
    QTRY_VERIFY(fixture.controls().component->hasBeenPainted());
    letMarksCome();
    QCOMPARE(opened.load(), 0);
    fixture.named(focus)->setFocus();
    QTRY_VERIFY(fixture.form->spelling()->body());
    QCOMPARE(opened.load(), 1);
    fixture.body()->setPlainText(QStringLiteral("un erorre"));
    fixture.controls().subject->setText(QStringLiteral("altro sbaglaito"));
    QTRY_COMPARE(markedIn(fixture.body()), QStringList{QStringLiteral("erorre")});
    QTRY_COMPARE(markedIn(fixture.controls().subject, fixture.form->spelling()->subject()),
                 QStringList{QStringLiteral("sbaglaito")});
    // Shift+F10 opens either box's menu at its cursor, with the word's replacements.
    for (QWidget *box :
         {static_cast<QWidget *>(fixture.controls().subject), static_cast<QWidget *>(fixture.body())}) {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClick(box, Qt::Key_Left);
        QTest::keyClick(box, Qt::Key_F10, Qt::ShiftModifier);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QVERIFY(texts(menu->actions()).contains(QStringLiteral("Ignora")));
        menu->close();
    }
}

// Not kept to the end, nor freed on the load's thread while the application runs.
void TestSpellingBoxes::spellerAfterTheWindowIsFreed()
{
    QSemaphore opening;
    QSemaphore windowGone;
    std::atomic<QThread *> freedOn = nullptr;
    {
        Form1Fixture fixture;
        fixture.form->show();
        fixture.form->checkSpelling([&](QString *) {
            opening.release();
            windowGone.acquire();
            return std::make_unique<NotingSpeller>(freedOn);
        });
        fixture.controls().subject->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(fixture.form.get()));
        QTRY_COMPARE(opening.available(), 1);
    }
    windowGone.release();
    QTRY_COMPARE(freedOn.load(), QThread::currentThread());
}

void TestSpellingBoxes::personalListsChecked_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("why"); // none: the list is used
    const QString special = QStringLiteral("non è un file normale");
    QTest::newRow("FIFO") << "it_IT.dic" << special;
    QTest::newRow("link to /dev/zero") << "it_IT.exc" << special;
    QTest::newRow("huge") << "it_IT.dic" << QStringLiteral("è troppo grande");
    QTest::newRow("folder") << "it_IT.exc" << special;
    QTest::newRow("link") << "it_IT.dic" << QString();
}

// A load stuck on a list fails the wait below, and the test still ends.
void TestSpellingBoxes::personalListsChecked()
{
    QFETCH(QString, name);
    QFETCH(QString, why);
    const QDir folder(PersonalWordLists::folder());
    const auto removeLists = qScopeGuard([folder] {
        QDir(folder).removeRecursively();
        qunsetenv("ENCHANT_CONFIG_DIR");
    });
    QVERIFY(folder.mkpath(QStringLiteral("."))
            && makeList(folder.filePath(name), QString::fromUtf8(QTest::currentDataTag())));
    const QStringList made = folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    QCOMPARE(PersonalWordLists::leaveAloneIfUnsafe(),
             why.isEmpty() ? why : folder.filePath(name) + u' ' + why);
    Form1Fixture fixture;
    fixture.form->show();
    fixture.form->checkSpelling([](QString *said) { return EnchantSpeller::open(said); });
    fixture.body()->setFocus();
    QTRY_VERIFY(fixture.form->spelling()->body());
    fixture.body()->setPlainText(QStringLiteral("acqua korvanesca"));
    QTRY_COMPARE(markedIn(fixture.body()), why.isEmpty() ? QStringList{} : QStringList{"korvanesca"});
    const auto addTenthLetter = [&] {
        QTextCursor inWord(fixture.body()->document());
        inWord.setPosition(10);
        std::unique_ptr<QMenu> menu(
            fixture.form->spelling()->body()->contextMenu(fixture.body()->cursorRect(inWord).center()));
        actionNamed(menu.get(), QStringLiteral("Aggiungi al dizionario"))->trigger();
        QTRY_COMPARE(markedIn(fixture.body()), QStringList{});
    };
    if (!why.isEmpty()) {
        fixture.body()->setPlainText(QStringLiteral("acqua korvanesca"));
        addTenthLetter(); // for this run, written nowhere
        QCOMPARE(folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), made);
        return;
    }
    // The library reads a copy: a word added reaches the user's list, and a
    // list swapped for a FIFO while the user types is never opened.
    fixture.body()->setPlainText(QStringLiteral("acqua korvanesco"));
    addTenthLetter();
    QCOMPARE(TestFiles::readFile(folder.filePath(name + QStringLiteral(".target"))),
             "korvanesca\nkorvanesco\n");
    QVERIFY(makeList(folder.filePath(name), QStringLiteral("FIFO")));
    fixture.body()->setPlainText(QStringLiteral("acqua korvanesche"));
    QTRY_COMPARE(markedIn(fixture.body()), QStringList{"korvanesche"});
}

int main(int argc, char *argv[])
{
    // "Aggiungi al dizionario" writes under the user's configuration.
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    qunsetenv("ENCHANT_CONFIG_DIR");
    QApplication app(argc, argv);
    TestSpellingBoxes test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_spellingboxes.moc"

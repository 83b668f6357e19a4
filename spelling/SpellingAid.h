#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class BodySpelling;
class QLineEdit;
class QPlainTextEdit;
class Speller;
class SubjectSpelling;

// Spelling in a message's body and subject. The dictionary is opened only
// when one of the two boxes first has the focus (a window never written in
// pays nothing for it), on a thread of its own that nothing waits for,
// neither the window nor the program's exit; the boxes are checked from the
// moment it is there. Without one nothing changes: no mark, no message, only
// unavailable() saying why.
class SpellingAid : public QObject
{
    Q_OBJECT

public:
    // Opens the speller, or gives null and why. Runs on a thread of its own,
    // which may still be running when the program ends: it holds what it uses.
    using Opener = std::function<std::unique_ptr<Speller>(QString *why)>;

    SpellingAid(QPlainTextEdit *body, QLineEdit *subject, QObject *parent);

    // Opens with open once either box has the focus, at once if one has it
    // now; ready() or unavailable() follows. Later calls do nothing.
    void start(Opener open);
    // Checks with speller from now on, as start() does once it has opened.
    void use(const std::shared_ptr<Speller> &speller);

    BodySpelling *body() const { return m_body; }
    SubjectSpelling *subject() const { return m_subject; }

Q_SIGNALS:
    void ready();
    void unavailable(const QString &why);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void open();
    void recheck();

    QPointer<QPlainTextEdit> m_bodyBox;
    QPointer<QLineEdit> m_subjectBox;
    Opener m_open; // until either box has the focus
    bool m_started = false;
    BodySpelling *m_body = nullptr;
    SubjectSpelling *m_subject = nullptr;
};

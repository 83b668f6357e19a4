#pragma once

#include "LatestWriter.h"
#include "common/FileLock.h"
#include "common/MailFields.h"

#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class BodyMirror;
class QTextDocument;
class SettingsStore;

// The window's draft and where it is kept. While the user types, in a copy
// (KORVANE_CLIENT_STMP.recovery-PID-STARTMS-N.json beside the settings, or in
// the program's data folder) locked while the window is open and written a
// second after a change: a run that never gets to close loses that second.
// At close, in the settings, but only by the window that started from them
// and only while they still hold that; any other draft stays in its copy,
// for a window of its own at the next start. So no window ever writes over
// a draft it did not start from.
class RecoveryCopy
{
public:
    // A copy's file is JSON, so that any text comes back exactly. Read across
    // versions: a key a copy lacks is an empty field, one unknown is left aside.
    struct Content
    {
        MailFields fields;
        qint64 takenAtMs = 0; // since the epoch: the newest of several drafts wins
        QByteArray base;      // stamp() of the settings the window started from; empty: none
        bool sent = false;    // the fields of a message sent, unchanged since: no draft
    };
    static QByteArray encode(const Content &content);
    // Nothing when data is not a JSON object of this format.
    static std::optional<Content> decode(const QByteArray &data);
    // The same for the same fields, and for no others.
    static QByteArray stamp(const MailFields &fields);
    // The seven one-line boxes full leave room for a body of some twenty
    // million characters: a bigger file is neither read nor written.
    static constexpr qint64 largestCopy = qint64(96) * 1024 * 1024;

    // store (the settings) outlives the copy; show puts a draft that comes back on screen.
    RecoveryCopy(SettingsStore &store, std::function<void(const MailFields &)> show);

    // The settings' fields over defaults, which the window owns from now on.
    MailFields load(MailFields defaults);
    // From now on the draft is what snapshot gives, but for the body's text.
    void follow(std::function<MailFields()> snapshot, QTextDocument *body);
    // The window holds a draft of its own (a link's), not the settings'.
    void disown();

    struct Recovered
    {
        QString notice;      // what the user is to be told; empty: nothing
        QStringList offered; // other drafts, each for a window of its own
    };
    // The newest copy left by a window that started from these settings
    // comes back; copies the settings hold, or of a message sent, go; three
    // other drafts at most are offered, the rest wait; files that are no
    // copy are set aside and named. Nothing here blocks or follows a link.
    Recovered recover();
    // The draft at path, offered by another start, comes back; what to tell.
    QString recoverOffered(const QString &path);
    // Where this window's copy is; empty when no folder can be written.
    QString path() const { return m_path; }

    void changed();
    void sendStarted() { m_touched = m_sendUnchanged = true; } // a send counts as an edit
    // Unchanged since the send that started last, the copy is no draft.
    void delivered();
    bool closed() const { return m_closed; }
    // Keeps the fields, once. Returns what the user is to be told: a store
    // that failed and where the text is, or a draft lost.
    QString close(const MailFields &fields);

private:
    QString keep(const MailFields &fields);
    void remove();
    void writeNow();

    SettingsStore &m_store;
    std::function<void(const MailFields &)> m_show;
    QStringList m_folders; // the first that can be written holds this window's copy
    QString m_path;        // this window's copy, a new one or a draft that came back
    std::unique_ptr<FileLock> m_lock;
    QString m_storeLock; // held while a close compares and stores
    LatestWriter m_writer;
    QTimer m_delay;
    std::function<MailFields()> m_snapshot;
    const BodyMirror *m_body = nullptr;
    std::optional<MailFields> m_loaded; // the settings as this window found them, while it owns them
    QByteArray m_base;                  // their stamp, written in each copy
    bool m_touched = false;             // edited, sent, or opened for a draft left over
    bool m_sendUnchanged = false;       // no change since the last send started
    bool m_sent = false;                // no change since the last send delivered
    bool m_closed = false;
};

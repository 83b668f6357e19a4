#pragma once

#include "LatestWriter.h"
#include "MailFields.h"
#include "RecoveryFolder.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

class BodyMirror;
class SettingsStore;

// Where the window's draft is kept. While the user types, in a recovery copy
// written a second after the first change since the last one, so that a run
// that never gets to close loses at most that second. At close, in the
// settings, but only by the window that started from them and only while
// they still hold that; any other draft stays in its copy, for the next
// start to open in a window of its own. So no window ever writes over a
// draft it did not start from.
class RecoveryCopy : public QObject
{
    Q_OBJECT

public:
    // store: the settings, which have a file, shown as loaded (as stored):
    // the window owns them until disown(). snapshot gives the fields as the
    // window holds them now, but for the body, which body gives.
    RecoveryCopy(SettingsStore &store, const MailFields &loaded, std::function<MailFields()> snapshot,
                 const BodyMirror *body, QObject *parent = nullptr);
    ~RecoveryCopy() override;

    using Apply = std::function<void(const MailFields &)>;
    struct Recovered
    {
        QString notice;      // what the user is to be told; empty: nothing
        QStringList offered; // other drafts, each for a window of its own
    };
    // The window holds a draft of its own (a link's), not the settings'.
    void disown();
    // The newest draft left by a window that started from these same
    // settings comes back here through apply; copies the settings hold, or of
    // a message sent, go; other drafts are offered; files that are no copy
    // are set aside and named.
    Recovered recover(const Apply &apply);
    // This window was opened for the draft at path, which another start
    // offered: it comes back through apply. Returns what the user is told.
    QString recoverOffered(const QString &path, const Apply &apply);
    // A box changed.
    void changed();
    // The message, as the window holds it now, was sent: until the next
    // change its copy is no draft.
    void sent();
    // The window closes, holding fields; ownContent: more than what it
    // started from. Returns what the user is to be told: a store that failed
    // and where the text is, or a draft that could not be kept.
    QString close(const MailFields &fields, bool ownContent);

private:
    void writeNow();
    void post(RecoveryFormat::Copy copy, const QStringList &bodyPieces, const QString &path);
    QString keep(const MailFields &fields);
    void remove();

    SettingsStore &m_store;
    RecoveryFolder m_folder;
    LatestWriter m_writer;
    std::function<MailFields()> m_snapshot;
    const BodyMirror *m_body;
    QTimer m_delay;
    QString m_storeLock;                // held while a close compares and stores
    std::optional<MailFields> m_loaded; // the settings as this window found them, while it owns them
    QByteArray m_base;                  // their stamp, written in each copy
    bool m_sent = false;                // no change since the last send delivered
};

#pragma once

#include "MailFields.h"
#include "RecoveryFolder.h"
#include "RecoveryOrder.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class BodyMirror;
class RecoveryWriter;
class SettingsStore;

// The window's fields kept in a recovery copy beside the settings file
// while the user types, so that a run that never gets to close (a crash, a
// kill, a power cut) loses at most the last second: a change is written one
// second after the first change since the last copy, however fast the
// typing goes on. The values are taken on the window's thread (cheap
// copies) and written on a thread of the writer's own.
class RecoveryCopy : public QObject
{
    Q_OBJECT

public:
    // store: the settings, which have a file. snapshot gives the fields as
    // the window holds them now, but for the body, which body gives.
    RecoveryCopy(SettingsStore &store, std::function<MailFields()> snapshot, const BodyMirror *body,
                 QObject *parent = nullptr);
    ~RecoveryCopy() override;

    struct Recovered
    {
        QString notice;      // what the user is to be told; empty: nothing
        QStringList offered; // other drafts, each for a window of its own
    };
    // Puts the newest draft left by windows that are gone, when it is newer
    // than the settings' last store, into the window through apply. Its file
    // goes once this window's copy of them is written. Copies the settings
    // hold, or of a message sent, go without a word; the other drafts are
    // offered; files that are no copy are set aside and named.
    Recovered recover(const std::function<void(const MailFields &)> &apply);
    // This window was opened for the draft at path, which another start
    // offered: it is put into the window as recover() does. Returns what the
    // user is to be told; empty when the draft is gone.
    QString recoverOffered(const QString &path, const std::function<void(const MailFields &)> &apply);
    // A box changed.
    void changed();
    // The message, as the window holds it now, was sent: until the next
    // change its copy is no draft.
    void sent();
    // The window closes: store (SavedFields::StoreFields) saves the fields
    // and says whether they were saved. changed: the window holds values of
    // its own (edited since it loaded, or a leftover); one that does not
    // stores nothing over a store another window made since it loaded.
    // Saved, the copy goes, unless the window held values of its own and
    // another window is open, whose close may store over them; then it
    // stays, marked as stored, for a later start to drop if the settings
    // still hold them or else to offer. Not saved, the copy, written now,
    // keeps them. One window at a time stores and looks (a lock beside the
    // settings): a store of another window between the two would otherwise
    // leave this one's values in no file.
    void storeFields(const std::function<bool()> &store, bool changed);

private:
    void fieldsStored(qint64 order, bool alone, bool changed);
    void writeNow(const QStringList &then = {}, qint64 storedOrder = 0);
    void takeNewest(const RecoveryFolder::Leftover &leftover,
                    const std::function<void(const MailFields &)> &apply);

    SettingsStore &m_store;
    RecoveryFolder m_folder;
    RecoveryOrder m_order;
    QString m_storeLock;                      // held while a close stores and looks
    std::unique_ptr<RecoveryWriter> m_writer; // null when no copy can be kept
    std::function<MailFields()> m_snapshot;
    const BodyMirror *m_body;
    QTimer m_delay;
    qint64 m_loadedOrder = 0; // the settings' last store when the window loaded them
    bool m_sent = false;      // no change since the last send delivered
};

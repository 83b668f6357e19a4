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

    // Puts the newest copy left by a run that did not close, when it is
    // newer than the settings' last store, into the window through apply.
    // Its file goes once this run's copy of them is written. Returns what
    // the user is to be told of the copies found: what came back, where
    // the ones set aside are, which ones another machine holds; empty when
    // there is nothing to tell.
    QString recover(const std::function<void(const MailFields &)> &apply);
    // A box changed.
    void changed();
    // The window closes: store (SavedFields::StoreFields) saves the fields
    // with the number it is given and says whether they were saved. Then the
    // copy goes, unless the window held values of its own (edited, or a
    // leftover) and another window is open, whose close may store over
    // them; then it stays, marked as stored, for a later start to drop if
    // the settings still hold them. Not saved, the copy, written now, keeps
    // them. One run at a time stores and looks (a lock beside the settings):
    // a store of another window between the two would otherwise leave this
    // one's values in no file.
    void storeFields(const std::function<bool(qint64 order)> &store);

private:
    void fieldsStored(qint64 order, bool alone);
    void writeNow(const QStringList &then = {}, qint64 storedOrder = 0);

    SettingsStore &m_store;
    RecoveryFolder m_folder;
    RecoveryOrder m_order;
    QString m_storeLock;                      // held while a close stores and looks
    std::unique_ptr<RecoveryWriter> m_writer; // null when no copy can be kept
    std::function<MailFields()> m_snapshot;
    const BodyMirror *m_body;
    QTimer m_delay;
    bool m_ownValues = false; // edited, or a leftover shown: not only what the settings held
};

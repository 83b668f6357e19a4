#pragma once

#include "FormFields.h"
#include "RecoveryFolder.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class BodyMirror;
class RecoveryWriter;

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
    // snapshot gives the fields as the window holds them now, but for the
    // body, which body gives.
    RecoveryCopy(const QString &settingsFile, std::function<FormFields()> snapshot, const BodyMirror *body,
                 QObject *parent = nullptr);
    ~RecoveryCopy() override;

    // Puts the newest copy left by a run that did not close into the window
    // through apply. Its file goes once this run's copy of them is written.
    void recover(const std::function<void(const FormFields &)> &apply);
    // A box changed.
    void changed();
    // A close stored the fields: no copy is needed any more.
    void fieldsStored();
    // A close could not store them: the copy, written now, keeps them.
    void fieldsNotStored();

private:
    void writeNow(const QStringList &then = {});

    RecoveryFolder m_folder;
    std::unique_ptr<RecoveryWriter> m_writer; // null when no copy can be kept
    std::function<FormFields()> m_snapshot;
    const BodyMirror *m_body;
    QTimer m_delay;
};

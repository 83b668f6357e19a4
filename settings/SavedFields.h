#pragma once

#include "MailFields.h"
#include "SettingsStore.h"

// The composer's fields in the settings store. Each value is a step of its
// own: one that cannot be read, applied or written is skipped without a word
// and the others go on, so neither routine can stop start-up or a close.
namespace SavedFields {

// Replaces each field of fields whose stored value can be read; the
// priority only changes for a stored index of 0, 1 or 2.
void RestoreFields(SettingsStore &store, MailFields &fields);
// Writes every field, empty ones included; true when all of them were saved.
// A non-zero order (RecoveryOrder) goes with them, in the same save, under
// STMP/SEQUENZA: it tells a later start which recovery copies are older.
bool StoreFields(SettingsStore &store, const MailFields &fields, qint64 order = 0);

// The order of the last store: 0 for a file written without one.
qint64 storedOrder(SettingsStore &store);
// fields as StoreFields writes them (trimmed as each key's rule says).
MailFields asStored(const MailFields &fields);

} // namespace SavedFields

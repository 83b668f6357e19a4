#pragma once

#include "SettingsStore.h"
#include "common/MailFields.h"

// The composer's fields in the settings store. Each value is a step of its
// own: one that cannot be read, applied or written is skipped without a word
// and the others go on, so neither routine can stop start-up or a close.
namespace SavedFields {

// Replaces each field of fields whose stored value can be read; the
// priority only changes for a stored index of 0, 1 or 2.
void RestoreFields(SettingsStore &store, MailFields &fields);
// Writes every field, empty ones included, and nothing else; true when all
// of them were saved.
bool StoreFields(SettingsStore &store, const MailFields &fields);
// fields as StoreFields writes them (trimmed as each key's rule says).
MailFields asStored(const MailFields &fields);

} // namespace SavedFields

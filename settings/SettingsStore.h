#pragma once

#include <QString>

#include <optional>

// Per-user text values addressed by section and key.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    // The stored text; an empty text when nothing is stored under the key;
    // nothing when the store cannot be read or the value is not a text.
    virtual std::optional<QString> read(const QString &section, const QString &key) = 0;
    // Creates or replaces the value; false when it could not be saved.
    virtual bool write(const QString &section, const QString &key, const QString &text) = 0;
    // Removes the value, if there is one.
    virtual void remove(const QString &section, const QString &key)
    {
        Q_UNUSED(section)
        Q_UNUSED(key)
    }

    // Between these two, a store may hold writes back and save them as one
    // step, so that a program killed while saving, or another instance saving
    // at the same moment, never leaves a mix of two sets of values. Then
    // write() only reports what it can know before the save; endSave() tells
    // whether the whole set was saved.
    virtual void beginSave() {}
    virtual bool endSave() { return true; }

    // Reads the values again, as another run may have saved them since; false
    // when they cannot be read now (failure() says why).
    virtual bool reload() { return true; }
    // Why the last reload or save failed, for the user; empty when it did not.
    virtual QString failure() const { return {}; }

    // The file the values live in, for files of the program's own to go
    // beside it; empty for a store that has none.
    virtual QString fileName() const { return {}; }
    // What the user is to be told once about the store as the window starts
    // (a file that was set aside); empty when nothing.
    virtual QString notice() const { return {}; }
};

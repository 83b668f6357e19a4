#include "AddressMemory.h"

#include <QThreadPool>

#include <mutex>

// The changes not yet in the file, in the order they were made, and the
// addresses as the last write left them; shared with the first read.
struct AddressMemory::Changes
{
    explicit Changes(const QString &path) : file(path) {}

    // On the writer's thread: each change is merged into what the file holds then.
    bool write()
    {
        for (;;) {
            AddressFile::Change change;
            {
                const std::lock_guard lock(mutex);
                if (waiting.isEmpty())
                    return true;
                change = waiting.takeFirst();
            }
            const auto written = file.apply(change);
            const std::lock_guard lock(mutex);
            // Only a write that leaves nothing behind it is the whole truth.
            if (written && waiting.isEmpty())
                latest.emplace(*written);
        }
    }

    const AddressFile file;
    std::mutex mutex;
    QList<AddressFile::Change> waiting; // guarded by mutex
    std::optional<AddressIndex> latest; // guarded by mutex
};

AddressMemory::AddressMemory(const QString &settingsFile, QObject *parent) : QObject(parent)
{
    if (settingsFile.isEmpty())
        return;
    m_changes = std::make_shared<Changes>(AddressFile::besideSettings(settingsFile));
    // Read and indexed off the window's thread, which starts meanwhile; a
    // damaged file is only renamed. Done long before the first key in an
    // address box.
    auto read = std::make_shared<std::promise<AddressIndex>>();
    m_firstRead = read->get_future();
    QThreadPool::globalInstance()->start(
        [changes = m_changes, read] { read->set_value(AddressIndex(changes->file.read())); });
}

AddressMemory::~AddressMemory() = default;

const AddressIndex &AddressMemory::addresses()
{
    if (m_firstRead.valid())
        m_addresses = m_firstRead.get();
    if (m_changes) {
        const std::lock_guard lock(m_changes->mutex);
        if (m_changes->latest && m_changes->waiting.isEmpty())
            m_addresses = *std::exchange(m_changes->latest, std::nullopt);
    }
    return m_addresses;
}

void AddressMemory::remember(const QStringList &fields)
{
    AddressFile::Change change;
    for (const QString &field : fields)
        change.used << addressEntries(field);
    if (!change.used.isEmpty())
        save(change);
}

void AddressMemory::forget(const QString &address) { save({{}, address}); }

void AddressMemory::save(const AddressFile::Change &change)
{
    m_addresses = AddressIndex(merged(addresses().entries(), change));
    if (!m_changes)
        return;
    {
        const std::lock_guard lock(m_changes->mutex);
        m_changes->waiting << change;
        m_changes->latest.reset();
    }
    m_writer.post([changes = m_changes](const LatestWriter::Superseded &) { return changes->write(); });
}

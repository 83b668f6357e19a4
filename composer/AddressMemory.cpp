#include "AddressMemory.h"

#include <QThreadPool>

#include <deque>
#include <mutex>

// Shared with the writes under way, which may outlive the window: changes
// are written in the order they were made, one write at a time.
struct AddressMemory::Writer
{
    explicit Writer(const QString &path) : file(path) {}

    void drain()
    {
        const std::lock_guard writing(writeMutex);
        for (;;) {
            AddressFile::Change change;
            {
                const std::lock_guard lock(mutex);
                if (queue.empty())
                    return;
                change = queue.front();
                queue.pop_front();
            }
            const auto written = file.apply(change);
            std::optional<AddressIndex> index;
            if (written)
                index.emplace(*written);
            const std::lock_guard lock(mutex);
            // Only a write that leaves nothing behind it is the whole truth.
            if (index && queue.empty())
                latest = std::move(index);
        }
    }

    const AddressFile file;
    std::mutex writeMutex;
    std::mutex mutex;
    std::deque<AddressFile::Change> queue; // guarded by mutex
    std::optional<AddressIndex> latest;    // guarded by mutex
};

AddressMemory::AddressMemory(const QString &settingsFile, QObject *parent) : QObject(parent)
{
    if (settingsFile.isEmpty())
        return;
    m_writer = std::make_shared<Writer>(AddressFile::besideSettings(settingsFile));
    // Read and indexed off the window's thread, which starts meanwhile; a
    // damaged file is only renamed. Done long before the first key in an
    // address box.
    auto read = std::make_shared<std::promise<AddressIndex>>();
    m_firstRead = read->get_future();
    QThreadPool::globalInstance()->start(
        [writer = m_writer, read] { read->set_value(AddressIndex(writer->file.read())); });
}

const AddressIndex &AddressMemory::addresses()
{
    if (m_firstRead.valid())
        m_addresses = m_firstRead.get();
    if (m_writer) {
        const std::lock_guard lock(m_writer->mutex);
        if (m_writer->latest && m_writer->queue.empty())
            m_addresses = *std::exchange(m_writer->latest, std::nullopt);
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
    if (!m_writer)
        return;
    {
        const std::lock_guard lock(m_writer->mutex);
        m_writer->queue.push_back(change);
        m_writer->latest.reset();
    }
    QThreadPool::globalInstance()->start([writer = m_writer] { writer->drain(); });
}

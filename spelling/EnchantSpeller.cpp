#include "EnchantSpeller.h"

#include "PersonalWordLists.h"
#include "ProseWords.h"
#include "SpellingTexts.h"

#include <QHash>
#include <QLibrary>

#include <sys/types.h>

namespace {

// The library's own types stay opaque: only pointers to them pass.
struct Broker;
struct Dict;

struct Functions
{
    Broker *(*brokerInit)() = nullptr;
    void (*brokerFree)(Broker *) = nullptr;
    Dict *(*requestDict)(Broker *, const char *) = nullptr;
    void (*freeDict)(Broker *, Dict *) = nullptr;
    const char *(*brokerError)(Broker *) = nullptr;
    int (*check)(Dict *, const char *, ssize_t) = nullptr;
    char **(*suggest)(Dict *, const char *, ssize_t, size_t *) = nullptr;
    void (*freeList)(Dict *, char **) = nullptr;
    void (*add)(Dict *, const char *, ssize_t) = nullptr;
    void (*addToSession)(Dict *, const char *, ssize_t) = nullptr;
};

template<typename F>
bool resolve(QLibrary &library, const char *name, F &function)
{
    function = reinterpret_cast<F>(library.resolve(name));
    return function != nullptr;
}

bool resolveAll(QLibrary &library, Functions &f)
{
    return resolve(library, "enchant_broker_init", f.brokerInit)
        && resolve(library, "enchant_broker_free", f.brokerFree)
        && resolve(library, "enchant_broker_request_dict", f.requestDict)
        && resolve(library, "enchant_broker_free_dict", f.freeDict)
        && resolve(library, "enchant_broker_get_error", f.brokerError)
        && resolve(library, "enchant_dict_check", f.check)
        && resolve(library, "enchant_dict_suggest", f.suggest)
        && resolve(library, "enchant_dict_free_string_list", f.freeList)
        && resolve(library, "enchant_dict_add", f.add)
        && resolve(library, "enchant_dict_add_to_session", f.addToSession);
}

} // namespace

struct EnchantSpeller::Library
{
    QLibrary library;
    Functions f;
    Broker *broker = nullptr;
    Dict *dict = nullptr;
    QHash<QString, bool> known;

    // add: to this run's words, or to the personal list.
    void accept(const QString &word, void (*add)(Dict *, const char *, ssize_t))
    {
        const QString form = ProseWords::dictionaryForm(word);
        const QByteArray utf8 = form.toUtf8();
        add(dict, utf8.constData(), utf8.size());
        known.insert(form, true);
    }

    ~Library()
    {
        if (dict)
            f.freeDict(broker, dict);
        if (broker)
            f.brokerFree(broker);
        // The library stays loaded: the dictionaries' own modules may still
        // have code running at exit.
    }
};

std::unique_ptr<EnchantSpeller> EnchantSpeller::open(QString *why, const QString &language,
                                                     const QString &library)
{
    auto loaded = std::make_unique<Library>();
    loaded->library.setFileNameAndVersion(library, 2);
    if (!loaded->library.load() || !resolveAll(loaded->library, loaded->f)) {
        *why = spellingText(SpellingText::LibraryMissing).arg(loaded->library.errorString());
        return {};
    }
    loaded->broker = loaded->f.brokerInit();
    if (!loaded->broker) {
        *why = spellingText(SpellingText::LibraryNotStarting);
        return {};
    }
    loaded->dict = loaded->f.requestDict(loaded->broker, language.toUtf8().constData());
    if (!loaded->dict) {
        *why = spellingText(SpellingText::NoDictionary).arg(language);
        return {};
    }
    return std::unique_ptr<EnchantSpeller>(new EnchantSpeller(std::move(loaded)));
}

EnchantSpeller::EnchantSpeller(std::unique_ptr<Library> library) : m_library(std::move(library)) {}

EnchantSpeller::~EnchantSpeller() = default;

bool EnchantSpeller::isCorrect(const QString &word)
{
    const QString form = ProseWords::dictionaryForm(word);
    const auto known = m_library->known.constFind(form);
    if (known != m_library->known.cend())
        return *known;
    const QByteArray utf8 = form.toUtf8();
    const bool correct = m_library->f.check(m_library->dict, utf8.constData(), utf8.size()) == 0;
    m_library->known.insert(form, correct);
    return correct;
}

QStringList EnchantSpeller::suggestions(const QString &word, int most)
{
    const QByteArray utf8 = ProseWords::dictionaryForm(word).toUtf8();
    size_t count = 0;
    char **list = m_library->f.suggest(m_library->dict, utf8.constData(), utf8.size(), &count);
    QStringList result;
    for (size_t i = 0; i < count && result.size() < most; ++i)
        result.append(QString::fromUtf8(list[i]));
    if (list)
        m_library->f.freeList(m_library->dict, list);
    return result;
}

void EnchantSpeller::ignore(const QString &word) { m_library->accept(word, m_library->f.addToSession); }

void EnchantSpeller::addToPersonal(const QString &word)
{
    m_library->accept(word, m_library->f.add);
    PersonalWordLists::keep(ProseWords::dictionaryForm(word));
}

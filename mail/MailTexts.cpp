#include "MailTexts.h"

#include <iterator>

namespace {

struct Entry
{
    MailText id;
    const char *text; // UTF-8
};

// In the order of the enumeration, so that the text of an id is found at once.
constexpr Entry kTexts[] = {
    {MailText::FieldContains, "Il campo %1 contiene %2: non è ammesso."},
    {MailText::LineBreak, "un a capo"},
    {MailText::ControlCharacter, "un carattere di controllo"},
    {MailText::NoServer, "Server SMTP non indicato."},
    {MailText::ServerInvalid, "Server SMTP non valido: «%1»."},
    {MailText::AlreadySending, "Un altro messaggio è ancora in invio."},
    {MailText::NetworkLibraryFailed, "Impossibile inizializzare la libreria di rete."},
    {MailText::AboutTitle, "Informazioni su KorvaneSTMP"},
    {MailText::AboutText,
     "KorvaneSTMP %1\nComponente per l'invio di posta via SMTP.\n\n"
     "Client: %2\n%3\nQt %4"},
};
constexpr bool complete()
{
    for (std::size_t i = 0; i < std::size(kTexts); ++i)
        if (std::size_t(kTexts[i].id) != i)
            return false;
    return std::size(kTexts) == std::size_t(MailText::AboutText) + 1;
}
static_assert(complete(), "one entry for every text, in the order of the enumeration");

} // namespace

QString mailText(MailText id) { return QString::fromUtf8(kTexts[std::size_t(id)].text); }

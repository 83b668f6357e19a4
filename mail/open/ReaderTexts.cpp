#include "ReaderTexts.h"

#include "common/TextTable.h"

constexpr auto kTexts = textTable<ReaderText::AttachmentsNotSaved>({
    {ReaderText::NotRegular, "«%1» non è un file normale: non è stato aperto come messaggio."},
    {ReaderText::Unreadable, "Il file «%1» non si può leggere."},
    {ReaderText::Empty, "Il file «%1» è vuoto: non è un messaggio."},
    {ReaderText::TooLarge, "Il file «%1» è troppo grande per essere aperto come messaggio (più di %2)."},
    {ReaderText::NotAMessage, "Il file «%1» non è un messaggio di posta."},
    {ReaderText::HeaderTooLong, "L'intestazione del messaggio «%1» è troppo lunga: non è stato aperto."},
    {ReaderText::TooManyParts, "Il messaggio «%1» ha troppe parti (più di %2): non è stato aperto."},
    {ReaderText::TooDeep, "Il messaggio «%1» ha parti annidate troppo in profondità: non è stato aperto."},
    {ReaderText::Truncated, "Il messaggio «%1» è danneggiato, finisce a metà: non è stato aperto."},
    {ReaderText::TextTooLong, "Il testo del messaggio «%1» è troppo lungo: non è stato aperto."},
    {ReaderText::AttachmentsNotSaved, "Gli allegati del messaggio «%1» non si sono potuti salvare: %2"},
});

QString readerText(ReaderText id) { return kTexts(id); }

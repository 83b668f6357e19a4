#include "SendTexts.h"

#include "common/TextTable.h"

constexpr auto kTexts = textTable<SendText::TranscriptCopyNotKept>({
    {SendText::FieldContains, "Il campo %1 contiene %2: non è ammesso."},
    {SendText::LineBreak, "un a capo"},
    {SendText::ControlCharacter, "un carattere di controllo"},
    {SendText::NoServer, "Server SMTP non indicato."},
    {SendText::ServerInvalid, "Server SMTP non valido: «%1»."},
    {SendText::TranscriptServer, "* invio tramite il server «%1»"},
    {SendText::TranscriptPortKept, "* porta ricordata da un invio precedente: %1"},
    {SendText::TranscriptKeptGreeting, "* attesa del saluto sulla porta ricordata: al massimo %1 s"},
    {SendText::TranscriptKeptDropped, "* porta %1 dimenticata, si sceglie di nuovo: %2"},
    {SendText::TranscriptPortChosen, "* porta scelta: %1"},
    {SendText::TranscriptCopyKept, "* copia del messaggio inviato: %1"},
    {SendText::TranscriptCopyNotKept, "* nessuna copia del messaggio inviato: %1"},
});

QString sendText(SendText id) { return kTexts(id); }

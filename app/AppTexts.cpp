#include "AppTexts.h"

#include "common/TextTable.h"

constexpr auto kTexts = textTable<AppText::Usage>({
    {AppText::UnknownOption, "opzione sconosciuta: «%1»."},
    {AppText::OptionTakesNoValue, "l'opzione «%1» non accetta valori."},
    {AppText::InvalidOptions, "opzioni non valide."},
    {AppText::EmptyArgument, "argomento vuoto: manca il nome di un file o un collegamento mailto:."},
    {AppText::NoDisplayVariables, "DISPLAY e WAYLAND_DISPLAY non sono impostate"},
    {AppText::NoDisplay, "%1: nessuno schermo grafico disponibile (%2): impossibile aprire la finestra.\n"},
    {AppText::Usage,
     "Uso: %1 [opzioni] [--] [mailto:INDIRIZZO... | FILE...]\n"
     "\n"
     "Compone un messaggio di posta e lo invia attraverso un server SMTP.\n"
     "\n"
     "Argomenti:\n"
     "  mailto:INDIRIZZO  un collegamento mailto: che riempie i campi di un nuovo messaggio\n"
     "  FILE              un file da allegare (percorso o URL file://)\n"
     "\n"
     "Opzioni:\n"
     "  -h, --help        mostra questo aiuto ed esce\n"
     "  -v, --version     mostra il nome e la versione del programma ed esce\n"
     "  --verbose         scrive su standard error il dialogo con il server di ogni invio\n"
     "                    (senza password né contenuto del messaggio)\n"
     "  --                fine delle opzioni: ciò che segue è un file o un collegamento,\n"
     "                    anche se comincia con \"-\"\n"},
});

QString appText(AppText id) { return kTexts(id); }

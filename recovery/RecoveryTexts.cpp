#include "RecoveryTexts.h"

#include "common/TextTable.h"

constexpr auto kTexts = textTable<RecoveryText::CloseTitle>({
    {RecoveryText::Restored, "È stata ripristinata la bozza di una sessione che non si era chiusa."},
    {RecoveryText::Offered,
     "Questa finestra riapre un'altra bozza non inviata, rimasta da una sessione "
     "precedente."},
    {RecoveryText::SetAside, "Copie di recupero non usate sono state messe da parte nella cartella %1:\n%2"},
    {RecoveryText::StoreFailedKept,
     "I campi non sono stati salvati nel file delle impostazioni %1: %2.\n\nIl testo è stato conservato "
     "in %3 e tornerà al prossimo avvio."},
    {RecoveryText::StoreFailedLost,
     "I campi non sono stati salvati nel file delle impostazioni %1: %2.\n\nNon è stato possibile "
     "conservare il testo altrove: al prossimo avvio non ci sarà."},
    {RecoveryText::DraftLost,
     "Non è stato possibile conservare la bozza di questa finestra: al prossimo avvio non ci sarà."},
    {RecoveryText::Title, "Recupero"},
    {RecoveryText::CloseTitle, "Chiusura"},
});

QString recoveryText(RecoveryText id) { return kTexts(id); }

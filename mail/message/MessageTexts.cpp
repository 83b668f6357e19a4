#include "MessageTexts.h"

#include "common/TextTable.h"

constexpr auto kTexts = textTable<MessageText::DiskSystemError>({
    {MessageText::AttachmentMissing, "Allegato non trovato: %1."},
    {MessageText::AttachmentIsFolder, "L'allegato %1 è una cartella, non un file."},
    {MessageText::AttachmentDenied, "Impossibile leggere l'allegato %1: permesso negato."},
    {MessageText::AttachmentNotRegular, "L'allegato %1 non è un file normale."},
    {MessageText::AttachmentUnreadable, "Impossibile leggere l'allegato %1."},
    {MessageText::AttachmentUnreadableWhileSent,
     "Impossibile leggere l'allegato %1 durante l'invio: il messaggio non è stato inviato."},
    {MessageText::AttachmentChanged,
     "L'allegato %1 è stato modificato durante l'invio: il messaggio non è stato inviato."},
    {MessageText::TooManyAttachments,
     "Troppi file allegati (%1): il sistema non permette di tenerli aperti tutti "
     "insieme durante l'invio."},
    {MessageText::BadAddress, "Indirizzo non valido nel campo %1: «%2»."},
    {MessageText::NoSender, "Mittente non indicato."},
    {MessageText::NoRecipient, "Nessun destinatario indicato."},
    {MessageText::DiskProblem, "«%1»: %2."},
    {MessageText::DiskNotFolder, "al suo posto c'è qualcosa che non è una cartella"},
    {MessageText::DiskLink, "al suo posto c'è un collegamento simbolico"},
    {MessageText::DiskDenied, "permesso negato"},
    {MessageText::DiskFull, "il disco è pieno"},
    {MessageText::DiskQuotaExhausted, "lo spazio concesso sul disco è esaurito"},
    {MessageText::DiskReadOnly, "il disco è di sola lettura"},
    {MessageText::DiskInputOutput, "errore di lettura o scrittura sul disco"},
    {MessageText::DiskGone, "non esiste più"},
    {MessageText::DiskTimedOut, "il disco non ha risposto in tempo"},
    {MessageText::DiskSystemError, "errore di sistema %1"},
});

QString messageText(MessageText id) { return kTexts(id); }

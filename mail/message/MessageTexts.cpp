#include "MessageTexts.h"

#include <QLocale>

#include <cerrno>

QString MessageTexts::attachmentMissing(const QString &path)
{
    return QStringLiteral("Allegato non trovato: %1.").arg(path);
}

QString MessageTexts::attachmentIsFolder(const QString &path)
{
    return QStringLiteral("L'allegato %1 è una cartella, non un file.").arg(path);
}

QString MessageTexts::attachmentDenied(const QString &path)
{
    return QStringLiteral("Impossibile leggere l'allegato %1: permesso negato.").arg(path);
}

QString MessageTexts::attachmentNotRegular(const QString &path)
{
    return QStringLiteral("L'allegato %1 non è un file normale.").arg(path);
}

QString MessageTexts::attachmentUnreadable(const QString &path)
{
    return QStringLiteral("Impossibile leggere l'allegato %1.").arg(path);
}

QString MessageTexts::attachmentUnreadableWhileSent(const QString &path)
{
    return QStringLiteral(
               "Impossibile leggere l'allegato %1 durante l'invio: il messaggio non è stato inviato.")
        .arg(path);
}

QString MessageTexts::attachmentChanged(const QString &path)
{
    return QStringLiteral(
               "L'allegato %1 è stato modificato durante l'invio: il messaggio non è stato inviato.")
        .arg(path);
}

QString MessageTexts::tooManyAttachments(qsizetype count)
{
    // "1.100", as an Italian reader writes a count.
    return QStringLiteral("Troppi file allegati (%1): il sistema non permette di tenerli aperti tutti "
                          "insieme durante l'invio.")
        .arg(QLocale(QLocale::Italian).toString(qint64(count)));
}

QString MessageTexts::badAddress(const QString &field, const QString &item)
{
    return QStringLiteral("Indirizzo non valido nel campo %1: «%2».").arg(field, item);
}

QString MessageTexts::noSender() { return QStringLiteral("Mittente non indicato."); }

QString MessageTexts::noRecipient() { return QStringLiteral("Nessun destinatario indicato."); }

QString MessageTexts::diskProblem(const QString &path, int error)
{
    QString why;
    switch (error) {
    case ENOTDIR:
        why = QStringLiteral("al suo posto c'è qualcosa che non è una cartella");
        break;
    case ELOOP:
        why = QStringLiteral("al suo posto c'è un collegamento simbolico");
        break;
    case EACCES:
    case EPERM:
        why = QStringLiteral("permesso negato");
        break;
    case ENOSPC:
        why = QStringLiteral("il disco è pieno");
        break;
    case EDQUOT:
        why = QStringLiteral("lo spazio concesso sul disco è esaurito");
        break;
    case EROFS:
        why = QStringLiteral("il disco è di sola lettura");
        break;
    case EIO:
        why = QStringLiteral("errore di lettura o scrittura sul disco");
        break;
    case ENOENT:
        why = QStringLiteral("non esiste più");
        break;
    case ETIMEDOUT:
        why = QStringLiteral("il disco non ha risposto in tempo");
        break;
    default:
        why = QStringLiteral("errore di sistema %1").arg(error);
    }
    return QStringLiteral("«%1»: %2.").arg(path, why);
}

#include "DomainTypos.h"

#include <algorithm>
#include <vector>

namespace DomainTypos {

namespace {

// Letters apart, a swap of two neighbours counting as one; gives up past
// limit, which keeps a long list of the user's domains cheap.
qsizetype distance(QStringView a, QStringView b, qsizetype limit)
{
    if (std::abs(a.size() - b.size()) > limit)
        return limit + 1;
    const qsizetype width = b.size() + 1;
    std::vector<qsizetype> before(width);
    std::vector<qsizetype> previous(width);
    std::vector<qsizetype> current(width);
    for (qsizetype j = 0; j < width; ++j)
        previous[j] = j;
    for (qsizetype i = 1; i <= a.size(); ++i) {
        current[0] = i;
        qsizetype best = current[0];
        for (qsizetype j = 1; j < width; ++j) {
            const qsizetype cost = a[i - 1] == b[j - 1] ? 0 : 1;
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                current[j] = std::min(current[j], before[j - 2] + 1);
            best = std::min(best, current[j]);
        }
        if (best > limit)
            return limit + 1;
        before.swap(previous);
        previous.swap(current);
    }
    return previous[b.size()];
}

// Two letters of a name under seven would make it another name, not a slip.
qsizetype allowedFor(const QString &meant) { return meant.size() < 7 ? 1 : 2; }

} // namespace

const QStringList &commonDomains()
{
    static const QStringList domains{
        QStringLiteral("gmail.com"),     QStringLiteral("libero.it"),   QStringLiteral("hotmail.it"),
        QStringLiteral("hotmail.com"),   QStringLiteral("outlook.it"),  QStringLiteral("outlook.com"),
        QStringLiteral("yahoo.it"),      QStringLiteral("yahoo.com"),   QStringLiteral("virgilio.it"),
        QStringLiteral("alice.it"),      QStringLiteral("tiscali.it"),  QStringLiteral("icloud.com"),
        QStringLiteral("live.it"),       QStringLiteral("live.com"),    QStringLiteral("tim.it"),
        QStringLiteral("fastwebnet.it"), QStringLiteral("email.it"),    QStringLiteral("inwind.it"),
        QStringLiteral("aruba.it"),      QStringLiteral("pec.it"),      QStringLiteral("legalmail.it"),
        QStringLiteral("postecert.it"),  QStringLiteral("arubapec.it"), QStringLiteral("me.com"),
    };
    return domains;
}

QString likelyMeant(const QString &domain, const QStringList &known)
{
    const QString typed = domain.toLower();
    QString meant;
    qsizetype nearest = 3;
    for (const QStringList *list : {&commonDomains(), &known}) {
        for (const QString &candidate : *list) {
            const QString lower = candidate.toLower();
            if (lower == typed)
                return {};
            const qsizetype apart = distance(typed, lower, allowedFor(lower));
            if (apart <= allowedFor(lower) && apart < nearest) {
                nearest = apart;
                meant = lower;
            }
        }
    }
    return meant;
}

} // namespace DomainTypos

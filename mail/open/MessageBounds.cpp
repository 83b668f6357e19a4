#include "MessageBounds.h"

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Where one pass over the file stands.
struct Scan
{
    qint64 lineLength = 0; // bytes of the current line so far, CR left out
    bool dash = false;     // the current line began with '-'
    bool inHeader = true;
    qint64 headerBytes = 0;
    int delimiters = 0;

    std::optional<ReaderText> take(const char *data, qint64 size)
    {
        for (qint64 i = 0; i < size; ++i) {
            const char c = data[i];
            if (inHeader && (++headerBytes > MessageBounds::kMostHeaderBytes))
                return ReaderText::HeaderTooLong;
            if (c == '\n') {
                inHeader = inHeader && lineLength > 0;
                lineLength = 0;
                continue;
            }
            if (c == '\r')
                continue;
            if (inHeader && c == '\0')
                return ReaderText::NotAMessage;
            if (lineLength == 0)
                dash = c == '-';
            else if (lineLength == 1 && dash && c == '-' && ++delimiters > MessageBounds::kMostDelimiters)
                return ReaderText::TooManyParts;
            ++lineLength;
        }
        return std::nullopt;
    }
};

} // namespace

namespace MessageBounds {

std::optional<ReaderText> check(int fd, qint64 *size)
{
    struct stat status
    {};
    if (::fstat(fd, &status) != 0)
        return ReaderText::Unreadable;
    if (!S_ISREG(status.st_mode))
        return ReaderText::NotRegular;
    if (status.st_size == 0)
        return ReaderText::Empty;
    if (status.st_size > kMostBytes)
        return ReaderText::TooLarge;
    *size = status.st_size;
    QByteArray piece(std::min<qint64>(*size, qint64(1) << 20), Qt::Uninitialized);
    Scan scan;
    for (qint64 at = 0; at < *size;) {
        const ssize_t n = ::pread(fd, piece.data(), size_t(std::min<qint64>(piece.size(), *size - at)), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return ReaderText::Unreadable;
        if (n == 0) {
            *size = at; // cut meanwhile: what is there is read
            break;
        }
        if (auto problem = scan.take(piece.constData(), n))
            return problem;
        at += n;
    }
    return std::nullopt;
}

} // namespace MessageBounds

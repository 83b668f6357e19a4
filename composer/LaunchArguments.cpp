#include "LaunchArguments.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>

namespace {

constexpr char16_t kStrayBase = 0xDC00;

bool isStray(QChar c) { return c.unicode() >= kStrayBase + 0x80 && c.unicode() <= kStrayBase + 0xFF; }

// The argument with each stray byte written as %XX, as a URL carries a byte
// that is not text.
QString strayPercentEncoded(const QString &argument)
{
    QString text;
    for (const QChar c : argument)
        text += isStray(c)
            ? QStringLiteral("%%1").arg(c.unicode() - kStrayBase, 2, 16, QLatin1Char('0')).toUpper()
            : QString(c);
    return text;
}

// The bytes the argument stood for on the command line.
QByteArray bytesOf(const QString &argument)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (isStray(argument.at(i)))
            bytes += char(argument.at(i).unicode() - kStrayBase);
        else if (argument.at(i).isHighSurrogate() && i + 1 < argument.size())
            bytes += argument.mid(i++, 2).toUtf8();
        else
            bytes += QString(argument.at(i)).toUtf8();
    }
    return bytes;
}

// The decoded text of one argument, stray bytes kept as lone surrogates.
QString decodeArgument(QByteArrayView bytes)
{
    QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() == bytes)
        return text;
    text.clear();
    for (qsizetype at = 0; at < bytes.size();) {
        // The one character that starts here, if its bytes are UTF-8.
        QString character;
        qsizetype length = 1;
        for (; length <= 4 && at + length <= bytes.size(); ++length) {
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            character = decoder(bytes.sliced(at, length));
            if (!decoder.hasError())
                break;
        }
        if (length > 4 || at + length > bytes.size()) {
            character = QChar(char16_t(kStrayBase + static_cast<unsigned char>(bytes[at])));
            length = 1;
        }
        text += character;
        at += length;
    }
    return text;
}

} // namespace

QStringList LaunchArguments::commandLine(int argc, const char *const *argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << decodeArgument(QByteArrayView(argv[i]));
    return arguments;
}

LaunchArguments LaunchArguments::parse(const QStringList &arguments, const QString &workingDirectory)
{
    // Two letters at least, so that a drive such as "C:" is not a scheme.
    static const QRegularExpression urlLike(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    const QDir base(workingDirectory);
    LaunchArguments result;
    for (const QString &argument : arguments) {
        const bool stray = std::any_of(argument.begin(), argument.end(), isStray);
        const QString asPath = base.absoluteFilePath(argument);
        if (argument.startsWith(QLatin1StringView("mailto:"), Qt::CaseInsensitive))
            result.links.append(strayPercentEncoded(argument));
        else if (argument.contains(urlLike) && (stray || !QFileInfo::exists(asPath)))
            result.files.append(QUrl(strayPercentEncoded(argument)));
        else if (stray)
            result.files.append(QUrl::fromEncoded("file://" + bytesOf(asPath).toPercentEncoding("/")));
        else
            result.files.append(QUrl::fromLocalFile(asPath));
    }
    return result;
}

#include "AddressToken.h"

namespace {

bool isSpecial(QChar c) { return QStringView(u",;<>@:[]\\").contains(c); }

// Where the quoted string opening at `start` ends (past its closing quote),
// or the text's end.
qsizetype quotedEnd(QStringView text, qsizetype start, bool *closed)
{
    for (qsizetype i = start + 1; i < text.size(); ++i) {
        if (text[i] == u'\\') {
            ++i;
        } else if (text[i] == u'"') {
            *closed = true;
            return i + 1;
        }
    }
    *closed = false;
    return text.size();
}

qsizetype commentEnd(QStringView text, qsizetype start, bool *closed)
{
    int depth = 0;
    for (qsizetype i = start; i < text.size(); ++i) {
        if (text[i] == u'(') {
            ++depth;
        } else if (text[i] == u')' && --depth == 0) {
            *closed = true;
            return i + 1;
        }
    }
    *closed = false;
    return text.size();
}

} // namespace

bool isAtext(QChar c)
{
    if (c.unicode() >= 0x80 || c.unicode() <= 0x20)
        return false;
    return c.isLetterOrNumber() || QStringView(u"!#$%&'*+-/=?^_`{|}~").contains(c);
}

QString AddressToken::value() const
{
    if (kind != Kind::Quoted)
        return raw.toString();
    QString out;
    for (qsizetype i = 1; i < raw.size() && raw[i] != u'"'; ++i) {
        if (raw[i] == u'\\' && i + 1 < raw.size())
            ++i;
        out += raw[i];
    }
    return out;
}

QList<AddressToken> tokenizeAddresses(QStringView text)
{
    QList<AddressToken> tokens;
    for (qsizetype start = 0; start < text.size();) {
        AddressToken token;
        qsizetype end = start + 1;
        const QChar c = text[start];
        if (c == u'"') {
            token.kind = AddressToken::Kind::Quoted;
            end = quotedEnd(text, start, &token.closed);
        } else if (c == u'(') {
            token.kind = AddressToken::Kind::Comment;
            end = commentEnd(text, start, &token.closed);
        } else if (isSpecial(c)) {
            token.kind = AddressToken::Kind::Special;
        } else {
            while (end < text.size() && !isSpecial(text[end]) && text[end] != u'"' && text[end] != u'(')
                ++end;
        }
        token.raw = text.sliced(start, end - start);
        tokens << token;
        start = end;
    }
    return tokens;
}

QList<qsizetype> entrySeparators(const QList<AddressToken> &tokens, bool *openAngle)
{
    QList<qsizetype> at;
    int angle = 0;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const AddressToken &t = tokens[i];
        if (t.is(u'<'))
            ++angle;
        else if (t.is(u'>') && angle > 0)
            --angle;
        else if ((t.is(u',') || t.is(u';')) && angle == 0)
            at << i;
    }
    if (openAngle)
        *openAngle = angle != 0;
    return at;
}

QList<QList<AddressToken>> splitAtEntries(const QList<AddressToken> &tokens, bool *openAngle)
{
    QList<QList<AddressToken>> entries;
    qsizetype start = 0;
    for (const qsizetype end : entrySeparators(tokens, openAngle)) {
        entries << tokens.mid(start, end - start);
        start = end + 1;
    }
    entries << tokens.mid(start);
    return entries;
}

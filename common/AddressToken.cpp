#include "AddressToken.h"

namespace {

// Called for every character of a field: a test, not a search.
bool isSpecial(QChar c)
{
    switch (c.unicode()) {
    case u',':
    case u';':
    case u'<':
    case u'>':
    case u'@':
    case u':':
    case u'[':
    case u']':
    case u'\\':
        return true;
    default:
        return false;
    }
}

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

namespace {

// Calls visit(token) for each token of text, in order.
template<class Visit>
void walkTokens(QStringView text, Visit visit)
{
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
        visit(token);
        start = end;
    }
}

// Follows the angle brackets through the tokens: true when token ends an
// entry.
bool endsEntry(const AddressToken &token, int &angle)
{
    if (token.is(u'<'))
        ++angle;
    else if (token.is(u'>') && angle > 0)
        --angle;
    else if ((token.is(u',') || token.is(u';')) && angle == 0)
        return true;
    return false;
}

} // namespace

QList<AddressToken> tokenizeAddresses(QStringView text)
{
    QList<AddressToken> tokens;
    walkTokens(text, [&tokens](const AddressToken &token) { tokens << token; });
    return tokens;
}

QList<qsizetype> entrySeparators(const QList<AddressToken> &tokens, bool *openAngle)
{
    QList<qsizetype> at;
    int angle = 0;
    for (qsizetype i = 0; i < tokens.size(); ++i)
        if (endsEntry(tokens[i], angle))
            at << i;
    if (openAngle)
        *openAngle = angle != 0;
    return at;
}

QList<qsizetype> entrySeparators(QStringView text)
{
    QList<qsizetype> at;
    int angle = 0;
    walkTokens(text, [&](const AddressToken &token) {
        if (endsEntry(token, angle))
            at << token.raw.data() - text.data();
    });
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

#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// True for the characters RFC 5322 lets an atom hold: ASCII letters, digits
// and !#$%&'*+-/=?^_`{|}~. What may stand unquoted in a local part or a name.
bool isAtext(QChar c);

// One lexical piece of an address field.
struct AddressToken
{
    enum class Kind {
        Text,    // a run of anything the other kinds do not start
        Special, // one of , ; < > @ : [ ] and backslash
        Quoted,  // "..." with backslash escapes, quotes included
        Comment, // (...) nested, parentheses included
    };

    Kind kind = Kind::Text;
    QStringView raw;    // as written: a view into the text that was split
    bool closed = true; // false for a quoted string or comment the text ends in

    // True for the Special token `c`.
    bool is(char16_t c) const { return kind == Kind::Special && raw.front() == c; }
    // A quoted string's content without its quotes and escapes; else raw.
    QString value() const;
};

// Splits an address field into tokens whose raw views, joined, give back the
// whole text. Inside a comment neither quotes nor backslashes mean anything.
QList<AddressToken> tokenizeAddresses(QStringView text);

// Where tokens' entries end: the indices of the ',' and ';' outside quotes,
// comments and angle brackets (inside those, one is part of the entry). When
// openAngle is given, it tells whether a '<' was left unclosed at the end.
QList<qsizetype> entrySeparators(const QList<AddressToken> &tokens, bool *openAngle = nullptr);

// Where text's entries end: the positions in text of the separators
// entrySeparators() finds in its tokens, found without keeping them.
QList<qsizetype> entrySeparators(QStringView text);

// The entries of tokens, each without the separator that ends it; as many as
// there are separators, and one more.
QList<QList<AddressToken>> splitAtEntries(const QList<AddressToken> &tokens, bool *openAngle = nullptr);

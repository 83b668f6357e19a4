#pragma once

#include <QString>

// Every sentence the message reader shows the user, each written once; %1 is
// the file as the user named it.
enum class ReaderText {
    NotRegular,
    Unreadable,
    Empty,
    TooLarge, // %2: the limit, in Italian
    NotAMessage,
    HeaderTooLong,
    TooManyParts, // %2: the limit
    TooDeep,
    Truncated,
    TextTooLong,
    AttachmentsNotSaved, // %2: why, with the folder
};

// The Italian text of id.
QString readerText(ReaderText id);

#pragma once

#include <QString>

// The sentences of the pieces every room shares, each written once.
enum class CommonText {
    // Why a file of the program's own was not used (RegularFile).
    FileIsLink,
    FileNotRegular,
    FileTooLarge,
    FileUnreadable,
    // In place of the --verbose echo's lines that were left out. %1: how many.
    EchoLinesLost,
};

// The Italian text of id.
QString commonText(CommonText id);

#pragma once

#include <QString>

// The window's sentences that its send command shows the user, each written
// once. %1 is filled in by the caller.
enum class ComposerText {
    DoubtTitle,
    AttachmentMissing, // %1: the words that speak of an attachment
    SendAnywayQuestion,
    BackToMessage,
    SendAnyway,
};

// The Italian text of id.
QString composerText(ComposerText id);

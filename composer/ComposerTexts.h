#pragma once

#include <QString>

// Every sentence, title, prompt, menu entry and tooltip the window shows the
// user, each written once. %1... are filled in by the caller.
enum class ComposerText {
    DoubtTitle,
    AttachmentMissing, // %1: the words that speak of an attachment
    SendAnywayQuestion,
    BackToMessage,
    SendAnyway,
    // An address box's marks, in the tooltip; %1: the domain as typed.
    AddressNoAt,
    AddressNoLocalPart,
    AddressNoDomain,
    AddressBadDomain,
    AddressRefused,
    DomainMissing,
    DomainTypo, // %2: the domain likely meant
    DomainNoMail,
    DomainLookAlike,      // %2: the domain likely meant
    FixDomain,            // the menu's fix; %1: the domain as typed, %2: the one likely meant
    DoubtDomainMissing,   // %1: the field, %2: the domain
    DoubtDomainTypo,      // %1: the field, %2: the domain, %3: the one likely meant
    DoubtDomainNoMail,    // %1: the field, %2: the domain
    DoubtDomainLookAlike, // %1: the field, %2: the domain, %3: the one likely meant
    // The window's boxes and the send's outcome.
    WarningTitle,
    WindowTitle, // until the start names the window after the client
    LinkInvalid,
    SendBusy,
    UsernamePrompt,
    UsernameTitle,
    SendCancelled,
    PasswordPrompt,
    PasswordTitle,
    SendFailed, // %1: the error's number, %2: its description
    ErrorTitle,
    SendDone,
    SendDoneTitle,
    CopyNotKept,  // %1: why no copy of the message sent was kept
    ProgressName, // the component's place, as a screen reader names it
    ProgressTip,  // %1: the percent sent
    // Attachments; a file's refusal follows its name and ": ".
    MoreLines, // %1: how many lines are left out
    AddAttachmentsMenu,
    AddAttachmentsTitle,
    AttachmentListTooLong,
    NoFileAdded, // %1: the refusals, one a line
    FileIsFolder,
    FileMissing,
    FileNotRegular,
    FileNameSemicolon,
    FileNameSpaceOrBreak,
    FileNameUnreadable,
    FileNotLocal,
    // Text too long for a one-line box.
    BoxLimit,       // %1: the box's name in «», %2: the limit
    BoxesLimit,     // %1: the boxes' names in «», %2: the limit
    LinkTooLong,    // %1: the limit's sentence
    RestoreTooLong, // %1: the limit's sentence
    TextTooLong,    // %1: the limit's sentence
    // Message files opened as new drafts.
    MessageTooLong, // %1: the limit's sentence
    OpenMessageMenu,
    OpenMessageTitle,
    ReaderMissing, // %1: why the reader could not be loaded
};

// The Italian text of id.
QString composerText(ComposerText id);

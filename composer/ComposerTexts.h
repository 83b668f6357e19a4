#pragma once

#include <QString>

// The window's sentences that its send command shows the user, each written
// once, and the marks of its address boxes. %1... are filled in by the caller.
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
    DomainTypo,         // %2: the domain likely meant
    FixDomain,          // the menu's fix; %1: the domain as typed, %2: the one likely meant
    DoubtDomainMissing, // %1: the field, %2: the domain
    DoubtDomainTypo,    // %1: the field, %2: the domain, %3: the one likely meant
};

// The Italian text of id.
QString composerText(ComposerText id);

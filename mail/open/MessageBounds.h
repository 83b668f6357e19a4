#pragma once

#include "ReaderTexts.h"

#include <QtGlobal>

#include <optional>

// What a file must be before the MIME parser reads it, so that a file built
// to hurt costs a bounded time and memory: a regular file of some bytes and
// at most kMostBytes; a header of at most kMostHeaderBytes before the first
// empty line, with no NUL in it; at most kMostDelimiters lines that begin
// with "--", which every part needs one of (the parser keeps each part in
// memory, a couple of kilobytes apiece). One pass over the file, read in
// pieces.
namespace MessageBounds {

constexpr qint64 kMostBytes = qint64(1) << 30;
constexpr qint64 kMostHeaderBytes = qint64(1) << 20;
constexpr int kMostDelimiters = 10000;

// Looks at the open file fd; what is wrong with it, if anything. size gets
// how many bytes it has now: the parser reads no more than those.
std::optional<ReaderText> check(int fd, qint64 *size);

} // namespace MessageBounds

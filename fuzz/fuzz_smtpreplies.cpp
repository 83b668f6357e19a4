// Anything a server may answer, line by line, with libcurl's commands and
// error texts in between: the account of the dialogue and the failure text.
#include "FuzzEntry.h"

KORVANE_FUZZ_TARGET(FuzzCheck::Target::SmtpReplies)

// Any text as a Subject, a display name and an attachment file name, and any
// text or bytes as a message body: the header encoder and the body encodings.
#include "FuzzEntry.h"

KORVANE_FUZZ_TARGET(FuzzCheck::Target::HeaderEncoder)

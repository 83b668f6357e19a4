// Any bytes typed or pasted into the field: the Attachments field parser.
#include "FuzzEntry.h"

KORVANE_FUZZ_TARGET(FuzzCheck::Target::AttachmentList)

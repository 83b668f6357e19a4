// Any bytes typed or pasted into the field: the address list parser (recipients, sender) and the To header
// built from what it accepts.
#include "FuzzEntry.h"

KORVANE_FUZZ_TARGET(FuzzCheck::Target::AddressList)

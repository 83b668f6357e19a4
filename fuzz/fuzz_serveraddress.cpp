// Any bytes typed or pasted into the field: the Server field parser and the URL handed to libcurl.
#include "FuzzEntry.h"

KORVANE_FUZZ_TARGET(FuzzCheck::Target::ServerAddress)

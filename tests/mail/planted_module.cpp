// Test-only stand-in for a file called korvane-smtp.so left in a folder the
// program should never load from: loading it creates the file named by
// KORVANE_PLANTED_MARK, before any version could be checked.
#include <cstdio>
#include <cstdlib>

namespace {

struct Planted
{
    Planted()
    {
        if (const char *mark = std::getenv("KORVANE_PLANTED_MARK")) {
            if (std::FILE *file = std::fopen(mark, "w"))
                std::fclose(file);
        }
    }
};

const Planted planted;

} // namespace

// One libFuzzer entry point per target, all judging inputs with the checks in
// Invariants.h; a broken invariant aborts so libFuzzer keeps the input.
#pragma once

#include "Invariants.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define KORVANE_FUZZ_TARGET(target)                                                                          \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)                                  \
    {                                                                                                        \
        const QString problem = FuzzCheck::checkBytes(                                                       \
            target, QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));                  \
        if (!problem.isEmpty()) {                                                                            \
            std::fprintf(stderr, "invariant broken: %s\n", qPrintable(problem));                             \
            std::abort();                                                                                    \
        }                                                                                                    \
        return 0;                                                                                            \
    }

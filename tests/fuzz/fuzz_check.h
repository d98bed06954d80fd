// What every fuzz target shares: a difference from the model ends the run as a crash, which
// libFuzzer reports and saves with the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "fuzz: differs from the model: %s\n", what);
        std::abort();
    }
}

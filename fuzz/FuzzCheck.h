#pragma once

#include <cstdlib>

// A broken promise: stop here, so that the fuzzer keeps the input that led to it.
inline void check(bool condition) {
    if (!condition)
        std::abort();
}

#pragma once

#include <cstdlib>

// A property that does not hold ends the run: libFuzzer keeps the input that broke it.
inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

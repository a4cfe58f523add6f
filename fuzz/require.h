// A broken rule stops the fuzz target's run where the fuzzer sees it: as a crash, with the
// input that broke it saved.
#pragma once

#include <cstdlib>

namespace fuzz {

inline void Require(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace fuzz

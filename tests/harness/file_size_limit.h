// Saves that break off half-way: for a while the process may write no more than a few bytes
// to a file, a limit that stops even the superuser.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

namespace testing_files {

// Runs `action` while the process may write no more than `bytes` bytes to a file; a write
// past that fails with "File too large" instead of ending the process. Lifts the limit after.
template <typename Action> void WithFileSizeLimit(rlim_t bytes, Action action) {
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = bytes;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    action();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
}

} // namespace testing_files

// What the benches read of their own process: processor time and resident memory.
#pragma once

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

// Processor time of the calling thread, in seconds.
inline double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// Processor time of the whole process, every thread, in seconds.
inline double ProcessSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// A memory line of /proc/self/status in kB: VmRSS (resident now) or VmHWM (its peak); -1 when
// there is none.
inline long ResidentKb(const char* field = "VmRSS:") {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::string(field).size());
    return -1;
}

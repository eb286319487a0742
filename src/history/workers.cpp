// workers.cpp - work shared out over the processors.
#include "history/workers.h"

#include <atomic>
#include <new>
#include <sched.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

std::size_t processors_available()
{
#ifdef CPU_COUNT
    // Where the system tells which processors the process may use (Linux
    // and FreeBSD): a process pinned to some runs on those alone.
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<std::size_t>(CPU_COUNT(&set));
#endif
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<std::size_t>(online) : 1;
}

void run_together(std::size_t n, const std::function<void(std::size_t)>& work)
{
    std::atomic<bool> out_of_memory{false};
    const auto run = [&](std::size_t i) {
        try {
            work(i);
        } catch (const std::bad_alloc&) {
            out_of_memory = true;
        }
    };
    std::vector<std::thread> threads;
    std::vector<std::size_t> left; // work that found no thread
    try {
        threads.reserve(n);
        left.reserve(n);
    } catch (const std::bad_alloc&) {
        out_of_memory = true;
    }
    for (std::size_t i = 1; i < n && !out_of_memory; ++i) {
        try {
            threads.emplace_back(run, i);
        } catch (const std::system_error&) {
            left.push_back(i);
        } catch (const std::bad_alloc&) {
            left.push_back(i);
        }
    }
    if (!out_of_memory)
        run(0);
    for (const std::size_t i : left)
        run(i);
    for (std::thread& t : threads)
        t.join();
    if (out_of_memory)
        throw std::bad_alloc();
}

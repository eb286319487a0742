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
    if (n == 0)
        return;
    std::atomic<bool> out_of_memory{false};
    const auto run = [&](std::size_t i) {
        try {
            work(i);
        } catch (const std::bad_alloc&) {
            out_of_memory = true;
        }
    };
    // Work 1 to started - 1 runs on threads of their own; from the first
    // that finds no thread on, the rest runs here after work(0).
    std::vector<std::thread> threads;
    std::size_t started = 1;
    try {
        threads.reserve(n - 1);
        for (; started < n; ++started)
            threads.emplace_back(run, started);
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    run(0);
    for (std::size_t i = started; i < n; ++i)
        run(i);
    for (std::thread& t : threads)
        t.join();
    if (out_of_memory)
        throw std::bad_alloc();
}

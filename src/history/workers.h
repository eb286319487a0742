// workers.h - work shared out over the processors.
#pragma once

#include <cstddef>
#include <functional>

// How many processors the process may run on; at least 1.
std::size_t processors_available();

// Runs work(0) to work(n - 1) at once: work(0) always on the calling
// thread, each other on a thread of its own, or on the calling thread
// after work(0) where the system gives no more threads. Returns at once
// for no work, else once all have ended; where any ran out of memory, then
// throws std::bad_alloc.
void run_together(std::size_t n, const std::function<void(std::size_t)>& work);

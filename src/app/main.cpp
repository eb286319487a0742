// main.cpp - qelmar: traffic report of one communication line.
#include "app/run.h"

#include <csignal>
#include <new>
#include <unistd.h>

int main(int argc, char** argv)
{
    // Past a file size limit a write fails with EFBIG, and the run says so,
    // instead of being killed in the middle of the report.
    std::signal(SIGXFSZ, SIG_IGN);
    // Every allocation that fails ends the run through one message, without
    // first needing memory for an exception.
    std::set_new_handler(fail_out_of_memory);
    try {
        return run(argc, argv, STDOUT_FILENO, STDERR_FILENO, system_clock);
    } catch (const std::bad_alloc&) {
        fail_out_of_memory();
    }
}

// main.cpp - qelmar: traffic report of one communication line.
#include "app/run.h"

#include <new>
#include <unistd.h>

int main(int argc, char** argv)
{
    try {
        return run(argc, argv, STDOUT_FILENO, STDERR_FILENO, system_clock);
    } catch (const std::bad_alloc&) {
        fail_out_of_memory();
    }
}

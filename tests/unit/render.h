// render.h - test helpers: formatter output as a string, scratch files.
#pragma once

#include "report/writer.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

// Runs a column printer on value and returns what it printed.
template <class Printer, class Value>
std::string render(Printer print, Value value)
{
    Writer out(-1);
    print(out, value);
    return std::string(out.pending());
}

// A file in the temporary directory, removed with the object.
struct ScratchFile {
    std::string path;

    explicit ScratchFile(const std::string& content = "")
    {
        const char* dir = std::getenv("TMPDIR");
        path = std::string(dir != nullptr ? dir : "/tmp") + "/qelmar-test-XXXXXX";
        const int fd = ::mkstemp(path.data());
        if (fd >= 0) {
            if (!content.empty() &&
                ::write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size()))
                std::abort();
            ::close(fd);
        }
    }
    ~ScratchFile() { ::unlink(path.c_str()); }

    std::string read() const
    {
        std::string text;
        if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
            char buf[4096];
            std::size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
                text.append(buf, n);
            std::fclose(f);
        }
        return text;
    }
};

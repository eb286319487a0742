// zone_scope.h - test helper: a time zone for one test.
#pragma once

#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>

// Whether the host has a zone file of that name.
inline bool have_zone(const char* name)
{
    return ::access((std::string("/usr/share/zoneinfo/") + name).c_str(), R_OK) == 0;
}

// Sets TZ for one test and puts the old value back.
struct ZoneScope {
    std::string old;
    bool had;
    explicit ZoneScope(const char* tz)
    {
        const char* o = std::getenv("TZ");
        had = o != nullptr;
        if (had)
            old = o;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ZoneScope()
    {
        if (had)
            setenv("TZ", old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
};

// replay_main.cpp - runs the fuzz target once on each file given, or on each
// file in each directory given, without libFuzzer: the seed corpus and the
// kept crash inputs become ordinary regression tests.
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool replay(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        std::fprintf(stderr, "fuzz_replay: cannot open %s\n", path.c_str());
        return false;
    }
    std::vector<std::uint8_t> data;
    std::uint8_t buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        data.insert(data.end(), buf, buf + n);
    std::fclose(f);
    LLVMFuzzerTestOneInput(data.data(), data.size());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    LLVMFuzzerInitialize(&argc, &argv);
    int count = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        struct stat st{};
        if (stat(argv[i], &st) == 0 && S_ISDIR(st.st_mode)) {
            DIR* dir = opendir(argv[i]);
            while (dirent* e = dir != nullptr ? readdir(dir) : nullptr) {
                if (e->d_name[0] == '.')
                    continue;
                ok = replay(std::string(argv[i]) + "/" + e->d_name) && ok;
                ++count;
            }
            if (dir != nullptr)
                closedir(dir);
        } else {
            ok = replay(argv[i]) && ok;
            ++count;
        }
    }
    std::printf("replayed %d inputs\n", count);
    return ok ? 0 : 1;
}

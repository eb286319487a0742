// bench.cpp - times qelmar against wc -l on generated history files.
//
//   qelmar_bench QELMAR GENERATOR DATA_DIR GOLDEN_FILE [RUNS]
//
// Generates the inputs into DATA_DIR, runs every command RUNS times
// (default 7), interleaved so that a busy spell of the machine hits all of
// them alike, and prints each command's median, minimum and maximum wall
// time, its ratio to wc -l on the same file, and its peak resident memory.
// Ratios are medians of the ratios within each round, where the two
// commands ran next to each other, so that slow swings of the machine's
// load cancel out. Then checks the targets, and the checksum of the report
// of a file with fixed times, with several thread counts, against the one
// in GOLDEN_FILE. Exits 1 when a checksum differs.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Input {
    const char* name;
    unsigned long lines;
    unsigned long systems; // 0: one 16-byte address per line, of the kind below
    long long end;         // 0: now
    const char* kind = ""; // --colliding or --ordinary
};

struct Command {
    std::string label;
    std::vector<std::string> argv;
    std::string file;
    std::vector<double> seconds;
    std::vector<double> user_seconds = {}; // CPU time in the program itself
    long max_rss_kib = 0;
    // Commands of one phase run in rounds of their own: the rows of threads
    // read one file alone, which then stays in the page cache.
    int phase = 0;
};

struct Outcome {
    double seconds = 0;
    double user_seconds = 0;
    long rss_kib = 0;
    int status = -1;
    std::uint64_t checksum = 0;
};

// Runs argv with standard output to /dev/null or, with sum, into a checksum.
// Starts argv with in as its standard input and out as its standard
// output, and its standard error to /dev/null (the notices of a long list
// of lines would fill the screen); the child closes the descriptors in
// others.
pid_t spawn(const std::vector<std::string>& argv, int in, int out, std::initializer_list<int> others)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const int null_fd = open("/dev/null", O_WRONLY);
        dup2(in, 0);
        dup2(out, 1);
        dup2(null_fd, 2);
        close(null_fd);
        for (const int fd : others)
            close(fd);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

// Runs argv with standard output to /dev/null or, with sum, into a checksum.
Outcome run(const std::vector<std::string>& argv, bool sum)
{
    int fds[2] = {-1, -1};
    if (sum && pipe(fds) != 0) {
        std::perror("pipe");
        std::exit(2);
    }
    const int null_fd = open("/dev/null", O_RDWR);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = sum ? spawn(argv, null_fd, fds[1], {fds[0], fds[1], null_fd})
                          : spawn(argv, null_fd, null_fd, {null_fd});
    close(null_fd);
    Outcome o;
    if (sum) {
        close(fds[1]);
        std::uint64_t h = 0xcbf29ce484222325ULL; // FNV-1a
        char buf[1 << 16];
        for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
            for (ssize_t i = 0; i < n; ++i)
                h = (h ^ static_cast<unsigned char>(buf[i])) * 0x100000001b3ULL;
        close(fds[0]);
        o.checksum = h;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    o.user_seconds = static_cast<double>(usage.ru_utime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec) / 1e6;
    o.rss_kib = usage.ru_maxrss; // KiB on Linux and the BSDs
    o.status = status;
    return o;
}

// Peak resident memory of qelmar reading, from a pipe, what the generator
// writes: a history far larger than any disk file here.
long piped_rss_kib(const std::vector<std::string>& gen, const std::vector<std::string>& qelmar)
{
    int fds[2];
    if (pipe(fds) != 0) {
        std::perror("pipe");
        std::exit(2);
    }
    const int null_fd = open("/dev/null", O_RDWR);
    const pid_t writer = spawn(gen, null_fd, fds[1], {fds[0], fds[1], null_fd});
    const pid_t reader = spawn(qelmar, fds[0], null_fd, {fds[0], fds[1], null_fd});
    close(fds[0]);
    close(fds[1]);
    close(null_fd);
    int status = 0;
    rusage usage{};
    wait4(reader, &status, 0, &usage);
    waitpid(writer, nullptr, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "qelmar_bench: the piped run failed\n");
        std::exit(2);
    }
    return usage.ru_maxrss;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void generate(const std::string& gen, const std::string& path, const Input& in, long long now)
{
    const std::string cmd =
        in.systems == 0 ? gen + " " + in.kind + " " + std::to_string(in.lines) + " > " + path
                        : gen + " " + std::to_string(in.lines) + " " + std::to_string(in.systems) +
                              " 1 " + std::to_string(in.lines / 2740 + 1) + " " +
                              std::to_string(in.end != 0 ? in.end : now) + " > " + path;
    if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "qelmar_bench: cannot generate %s\n", path.c_str());
        std::exit(2);
    }
}

void check(const char* what, double value, double limit, const char* unit)
{
    std::printf("  %-58s %8.2f%s  (at most %g%s)  %s\n", what, value, unit, limit, unit,
                value <= limit ? "met" : "MISSED");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: qelmar_bench QELMAR GENERATOR DATA_DIR GOLDEN_FILE [RUNS]\n");
        return 2;
    }
    const std::string qelmar = argv[1];
    const std::string gen = argv[2];
    const std::string dir = argv[3];
    const char* golden_file = argv[4];
    const int runs = argc > 5 ? std::max(5, std::atoi(argv[5])) : 7;
    mkdir(dir.c_str(), 0777);

    const long long now = static_cast<long long>(std::time(nullptr));
    const Input inputs[] = {
        {"100k-300", 100000, 300, 0},
        {"1m-300", 1000000, 300, 0},
        {"1m-3000", 1000000, 3000, 0},
        {"1m-100000", 1000000, 100000, 0},
        {"1m-300-fixed", 1000000, 300, 1796169600},
        {"160k-colliding", 160000, 0, 0, "--colliding"},
        {"160k-ordinary", 160000, 0, 0, "--ordinary"},
        {"10m-3000", 10000000, 3000, 0},
    };
    std::printf("generating inputs in %s\n", dir.c_str());
    for (const Input& in : inputs)
        generate(gen, dir + "/" + in.name, in, now);
    // The big file compressed as rotated histories are, by the tools that
    // the pipelines below decompress with.
    const std::string big = dir + "/10m-3000";
    if (std::system(("zstd -q -f " + big + " -o " + big + ".zst && gzip -1 -c " + big + " > " + big +
                     ".gz")
                        .c_str()) != 0) {
        std::fprintf(stderr, "qelmar_bench: cannot compress %s (zstd and gzip are needed)\n",
                     big.c_str());
        return 2;
    }

    auto file = [&](const char* name) { return dir + "/" + name; };
    // 20,000 names of lines the file lacks, and tcpip: about what one
    // argument can hold.
    std::string many_lines;
    for (int i = 0; i < 20000; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "l%04x,", i);
        many_lines += name;
    }
    many_lines += "tcpip";
    // 1,000 address patterns, a few of which match.
    std::string thousand_patterns = "--address=";
    for (int i = 0; i < 1000; ++i)
        thousand_patterns += (i > 0 ? ",*/" : "*/") + std::to_string(i);
    // The rows up to the 10M-line file run on one thread: their targets
    // weigh one view or file against another, as one thread reads them.
    // The rows after them weigh the threads.
    const std::string one = "--threads=1";
    std::vector<Command> commands = {
        {"wc -l", {"wc", "-l", file("100k-300")}, "100k-300", {}},
        {"qelmar -a", {qelmar, one, "-a", "tcpip", file("100k-300")}, "100k-300", {}},
        {"wc -l", {"wc", "-l", file("1m-300")}, "1m-300", {}},
        {"qelmar -a", {qelmar, one, "-a", "tcpip", file("1m-300")}, "1m-300", {}},
        {"qelmar (last 24 h)", {qelmar, one, "tcpip", file("1m-300")}, "1m-300", {}},
        {"wc -l", {"wc", "-l", file("1m-3000")}, "1m-3000", {}},
        {"qelmar -a", {qelmar, one, "-a", "tcpip", file("1m-3000")}, "1m-3000", {}},
        {"wc -l", {"wc", "-l", file("1m-100000")}, "1m-100000", {}},
        {"qelmar -a", {qelmar, one, "-a", "tcpip", file("1m-100000")}, "1m-100000", {}},
        {"qelmar -a", {qelmar, one, "-a", "tcpip", file("160k-ordinary")}, "160k-ordinary", {}},
        {"qelmar -a", {qelmar, one, "-a", "tcpip", file("160k-colliding")}, "160k-colliding", {}},
        {"qelmar (a month)", {qelmar, one, "--since=-40d", "--until=-10d", "tcpip", file("1m-300")},
         "1m-300", {}},
        {"qelmar --full-time -a", {qelmar, one, "--full-time", "-a", "tcpip", file("1m-300")}, "1m-300",
         {}},
        {"qelmar --json -a", {qelmar, one, "--json", "-a", "tcpip", file("1m-300")}, "1m-300", {}},
        {"qelmar --summary -a", {qelmar, one, "--summary", "-a", "tcpip", file("1m-300")}, "1m-300",
         {}},
        {"qelmar --summary -a (20,001 lines)",
         {qelmar, one, "--summary", "-a", many_lines, file("1m-300")}, "1m-300", {}},
        {"qelmar --by=day -a", {qelmar, one, "--by=day", "-a", "tcpip", file("1m-300")}, "1m-300", {}},
        {"qelmar --calls -a", {qelmar, one, "--calls", "-a", "tcpip", file("1m-300")}, "1m-300", {}},
        {"qelmar --html -a", {qelmar, one, "--html", "-a", "tcpip", file("1m-300")}, "1m-300", {}},
        {"qelmar -a", {qelmar, "-a", "tcpip", big}, "10m-3000", {}},
        {"qelmar -a", {qelmar, "-a", "tcpip", big + ".zst"}, "10m-3000.zst", {}},
        {"zstd -dc | qelmar -a -", {"sh", "-c", "zstd -dc " + big + ".zst | " + qelmar + " -a tcpip -"},
         "10m-3000.zst", {}},
        {"qelmar -a", {qelmar, "-a", "tcpip", big + ".gz"}, "10m-3000.gz", {}},
        {"gzip -dc | qelmar -a -", {"sh", "-c", "gzip -dc " + big + ".gz | " + qelmar + " -a tcpip -"},
         "10m-3000.gz", {}},
        // One thread against two on the big file, in rounds of their own,
        // and on 1M lines the default against one thread.
        {"qelmar --threads=1 -a", {qelmar, "--threads=1", "-a", "tcpip", big}, "10m-3000", {}, {}, 0, 1},
        {"qelmar --threads=2 -a", {qelmar, "--threads=2", "-a", "tcpip", big}, "10m-3000", {}, {}, 0, 1},
        {"qelmar --threads=1 --summary -a", {qelmar, "--threads=1", "--summary", "-a", "tcpip", big},
         "10m-3000", {}, {}, 0, 1},
        {"qelmar --threads=2 --summary -a", {qelmar, "--threads=2", "--summary", "-a", "tcpip", big},
         "10m-3000", {}, {}, 0, 1},
        {"qelmar --threads=1 (last 24 h)", {qelmar, "--threads=1", "tcpip", big}, "10m-3000", {}, {}, 0,
         1},
        {"qelmar --threads=2 (last 24 h)", {qelmar, "--threads=2", "tcpip", big}, "10m-3000", {}, {}, 0,
         1},
        {"qelmar -a (threads by default)", {qelmar, "-a", "tcpip", file("1m-300")}, "1m-300", {}},
        // One system at a time: an exact address, a pattern that matches
        // about half of the systems, and 1,000 patterns.
        {"qelmar --summary -a --address=2:784/8927",
         {qelmar, one, "--summary", "-a", "--address=2:784/8927", "tcpip", file("1m-300")}, "1m-300", {}},
        {"qelmar --summary -a --address='*[02468]'",
         {qelmar, one, "--summary", "-a", "--address=*[02468]", "tcpip", file("1m-300")}, "1m-300", {}},
        {"qelmar --summary -a (1,000 address patterns)",
         {qelmar, one, "--summary", "-a", thousand_patterns, "tcpip", file("1m-300")}, "1m-300", {}},
        {"qelmar --metrics", {qelmar, one, "--metrics", "tcpip", file("1m-300")}, "1m-300", {}},
        {"qelmar --csv --summary -a", {qelmar, one, "--csv", "--summary", "-a", "tcpip", file("1m-300")}, "1m-300", {}},
        {"qelmar --sort=traffic --top=10 --summary -a",
         {qelmar, one, "--sort=traffic", "--top=10", "--summary", "-a", "tcpip", file("1m-300")}, "1m-300", {}},
    };
    for (int phase = 0; phase < 2; ++phase) {
        for (int r = 0; r < runs; ++r) {
            for (Command& c : commands) {
                if (c.phase != phase)
                    continue;
                const Outcome o = run(c.argv, false);
                if (o.status != 0) {
                    std::fprintf(stderr, "qelmar_bench: %s failed\n", c.label.c_str());
                    return 2;
                }
                c.seconds.push_back(o.seconds);
                c.user_seconds.push_back(o.user_seconds);
                c.max_rss_kib = std::max(c.max_rss_kib, o.rss_kib);
            }
        }
    }

    // The median over the rounds of a's time divided by b's.
    auto ratio = [](const Command& a, const Command& b) {
        std::vector<double> r;
        for (std::size_t i = 0; i < a.seconds.size(); ++i)
            r.push_back(a.seconds[i] / b.seconds[i]);
        return median(r);
    };
    // The same for the CPU time the programs spend themselves: what the
    // kernel spends on page faults varies from machine to machine.
    auto user_ratio = [](const Command& a, const Command& b) {
        std::vector<double> r;
        for (std::size_t i = 0; i < a.user_seconds.size(); ++i)
            r.push_back(a.user_seconds[i] / std::max(b.user_seconds[i], 1e-6));
        return median(r);
    };
    auto wc_of = [&](const std::string& f) -> const Command* {
        for (const Command& c : commands)
            if (c.label == "wc -l" && c.file == f)
                return &c;
        return nullptr;
    };
    std::printf("\n%d runs each, interleaved; times in ms\n\n", runs);
    std::printf("| command | file | median | min | max | x wc -l | peak RSS MiB |\n");
    std::printf("|---|---|---:|---:|---:|---:|---:|\n");
    for (const Command& c : commands) {
        const double m = median(c.seconds);
        const Command* wc = wc_of(c.file);
        char times_wc[16] = "-";
        if (wc != nullptr)
            std::snprintf(times_wc, sizeof times_wc, "%.1f", ratio(c, *wc));
        std::printf("| %s | %s | %.1f | %.1f | %.1f | %s | %.1f |\n", c.label.c_str(),
                    c.file.c_str(), m * 1000,
                    *std::min_element(c.seconds.begin(), c.seconds.end()) * 1000,
                    *std::max_element(c.seconds.begin(), c.seconds.end()) * 1000, times_wc,
                    static_cast<double>(c.max_rss_kib) / 1024);
    }

    const Command& all_100k = commands[1];
    const Command& all_1m = commands[3];
    const Command& recent_1m = commands[4];
    const Command& all_3000 = commands[6];
    const Command& all_100000 = commands[8];
    const Command& ordinary = commands[9];
    const Command& colliding = commands[10];
    const Command& month_1m = commands[11];
    const Command& full_time_1m = commands[12];
    const Command& json_1m = commands[13];
    const Command& summary_1m = commands[14];
    const Command& summary_many_lines = commands[15];
    const Command& by_day_1m = commands[16];
    const Command& calls_1m = commands[17];
    const Command& html_1m = commands[18];
    const Command& zst_direct = commands[20];
    const Command& zst_pipeline = commands[21];
    const Command& gz_direct = commands[22];
    const Command& gz_pipeline = commands[23];
    const Command& all_10m_one = commands[24];
    const Command& all_10m_two = commands[25];
    const Command& summary_10m_one = commands[26];
    const Command& summary_10m_two = commands[27];
    const Command& recent_10m_one = commands[28];
    const Command& recent_10m_two = commands[29];
    const Command& all_1m_default = commands[30];
    const Command& summary_one_address = commands[31];
    const Command& summary_half_addresses = commands[32];
    const Command& summary_thousand_patterns = commands[33];
    const Command& metrics_1m = commands[34];
    const Command& csv_summary_1m = commands[35];
    const Command& summary_top_ten = commands[36];
    std::printf("\ntargets (medians of the ratios within each round)\n");
    check("-a on 1M lines, x wc -l", ratio(all_1m, *wc_of("1m-300")), 20, "");
    check("last 24 h on 1M lines, x wc -l", ratio(recent_1m, *wc_of("1m-300")), 4, "");
    check("-a growth from 100k to 1M lines", ratio(all_1m, all_100k), 11, "");
    check("-a growth from 300 to 3,000 systems", ratio(all_3000, all_1m), 1.15, "");
    // User CPU time: the tool's own work. Its wall time also holds the
    // kernel's cost of a fault for each page of a large index, which this
    // machine's figure decides, not the tool (see README.md).
    check("cost per line, 100,000 systems against 300 (user CPU)", user_ratio(all_100000, all_1m),
          1.5, "");
    check("160,000 addresses that share one hash, against ordinary ones", ratio(colliding, ordinary),
          2, "");
    // A month holds thirty days of sessions to print, the last 24 hours one:
    // the lines dropped cost the same in both.
    check("a month of 1M lines, against the last 24 h", ratio(month_1m, recent_1m), 1.5, "");
    check("--full-time -a on 1M lines, against -a", ratio(full_time_1m, all_1m), 1.1, "");
    check("--json -a on 1M lines, against -a", ratio(json_1m, all_1m), 2, "");
    // Every line of the whole file parsed in full, against three fields of
    // most: about twice the last 24 hours, and half the whole report.
    check("--summary -a on 1M lines, against the last 24 h", ratio(summary_1m, recent_1m), 2.5,
          "");
    check("--summary -a on 1M lines, against -a", ratio(summary_1m, all_1m), 0.75, "");
    // A list is looked up by hash; its 20,000 notices are written too.
    check("--summary -a with 20,001 lines listed, against one", ratio(summary_many_lines, summary_1m),
          1.3, "");
    // Each distinct address is matched once, not each line.
    check("--summary -a with one address, against without", ratio(summary_one_address, summary_1m),
          1.1, "");
    check("--summary -a with half the addresses, against without",
          ratio(summary_half_addresses, summary_1m), 1.1, "");
    check("--summary -a with 1,000 address patterns, against without",
          ratio(summary_thousand_patterns, summary_1m), 1.5, "");
    check("--sort=traffic --top=10 --summary -a, against --summary -a", ratio(summary_top_ten, summary_1m),
          1.02, "");
    // The metrics count calls by line and system; the CSV writes the rows.
    check("--metrics on 1M lines, against --summary -a", ratio(metrics_1m, summary_1m), 1.3, "");
    check("--csv --summary -a on 1M lines, against --summary -a", ratio(csv_summary_1m, summary_1m), 1.1, "");
    // Groups and calls are summed as the lines are read, as the summary is.
    check("--by=day -a on 1M lines, against --summary -a", ratio(by_day_1m, summary_1m), 1.2, "");
    check("--calls -a on 1M lines, against --summary -a", ratio(calls_1m, summary_1m), 1.2, "");
    // The page sums the systems, the days and the calls at once, and leaves
    // out the log of so many sessions.
    check("--html -a on 1M lines, against --summary -a", ratio(html_1m, summary_1m), 1.3, "");
    // Decompressing on a thread of its own: no slower than a pipeline,
    // which runs the decompressor as a process of its own.
    check("-a on 10M lines in zstd, against zstd -dc | qelmar", ratio(zst_direct, zst_pipeline), 1,
          "");
    check("-a on 10M lines in gzip, against gzip -dc | qelmar", ratio(gz_direct, gz_pipeline), 1,
          "");
    // Two threads read a file in two parts at once and print its log in
    // stretches at once; joining the parts and writing stay on one.
    check("--summary -a on 10M lines, 2 threads against 1", ratio(summary_10m_two, summary_10m_one),
          0.6, "");
    check("-a on 10M lines, 2 threads against 1", ratio(all_10m_two, all_10m_one), 0.65, "");
    check("last 24 h on 10M lines, 2 threads against 1", ratio(recent_10m_two, recent_10m_one), 0.6,
          "");
    check("-a on 1M lines, threads by default against 1", ratio(all_1m_default, all_1m), 1, "");
    check("peak RSS of -a on 10M lines, 2 threads against 1",
          static_cast<double>(all_10m_two.max_rss_kib) / static_cast<double>(all_10m_one.max_rss_kib),
          1.25, "");
    check("peak RSS of --summary -a on 10M lines, 2 threads against 1",
          static_cast<double>(summary_10m_two.max_rss_kib) /
              static_cast<double>(summary_10m_one.max_rss_kib),
          1.25, "");
    std::printf("  (three reports of 100,000,000 piped lines follow: about half a minute each)\n");
    std::fflush(stdout);
    const long summary_rss = piped_rss_kib({gen, "100000000", "3000", "1", "36500", std::to_string(now)},
                                           {qelmar, "--summary", "-a", "tcpip", "-"});
    check("peak RSS of --summary -a on 100M lines, 3,000 systems",
          static_cast<double>(summary_rss) / 1024, 16, " MiB");
    const std::vector<std::string> hundred_million = {gen, "100000000", "3000", "1", "36500",
                                                      std::to_string(now)};
    check("peak RSS of --by=day -a on 100M lines, 3,000 systems",
          static_cast<double>(piped_rss_kib(hundred_million, {qelmar, "--by=day", "-a", "tcpip", "-"})) /
              1024,
          16, " MiB");
    check("peak RSS of --calls -a on 100M lines, 3,000 systems",
          static_cast<double>(piped_rss_kib(hundred_million, {qelmar, "--calls", "-a", "tcpip", "-"})) /
              1024,
          16, " MiB");
    check("peak RSS of -a on 1M lines", static_cast<double>(commands[3].max_rss_kib) / 1024, 64,
          " MiB");
    check("peak RSS of the last 24 h on 1M lines",
          static_cast<double>(commands[4].max_rss_kib) / 1024, 16, " MiB");

    // The report of a file with fixed times must not change, whatever the
    // number of threads.
    setenv("TZ", "UTC", 1);
    char want[32] = "";
    if (std::FILE* f = std::fopen(golden_file, "r")) {
        if (std::fscanf(f, "%31s", want) != 1)
            want[0] = '\0';
        std::fclose(f);
    }
    bool same = true;
    for (const char* threads : {"", "--threads=1", "--threads=2", "--threads=7"}) {
        std::vector<std::string> argv = {qelmar, "-a", "tcpip", file("1m-300-fixed")};
        if (*threads != '\0')
            argv.insert(argv.begin() + 1, threads);
        const Outcome golden = run(argv, true);
        char got[32];
        std::snprintf(got, sizeof got, "%016llx", static_cast<unsigned long long>(golden.checksum));
        const bool this_same = std::string(got) == want;
        same = same && this_same;
        const std::string what =
            std::string("checksum of -a on the fixed 1M file (TZ=UTC") + (*threads ? ", " : "") + threads + ")";
        std::printf("  %-58s %s  %s\n", what.c_str(), got,
                    this_same ? "same as the golden run" : "DIFFERS from the golden run");
    }
    return same ? 0 : 1;
}

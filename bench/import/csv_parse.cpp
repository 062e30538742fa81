// Parsing speed of the delimited-text reader against a plain memchr line count of the same 200 MB file.
// The reader delivers every field to a delegate that does nothing with it; the target is at most 5x the
// count.
#include "import/CHCSVParser.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

namespace {

constexpr std::size_t kTargetBytes = 200u << 20;

// Rows like an exported table: an id, a name, numbers, a date, a category and now and then a quoted note.
void writeFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::mt19937 random(42);
    const char* names[] = {"Anna", "Bjørn", "Chloé", "Dmitri", "Eun-ji", "Farid", "Grace", "Hiro"};
    const char* groups[] = {"control", "treatment A", "treatment B", "placebo"};
    std::fputs("id,name,age,height,weight,visit,group,note\n", f);
    std::size_t written = 0;
    char line[256];
    for (unsigned id = 1; written < kTargetBytes; ++id) {
        int n =
            std::snprintf(line, sizeof line, "%u,%s,%u,%.1f,%.2f,2026-%02u-%02u,%s,%s\n", id,
                          names[random() % 8], 18 + static_cast<unsigned>(random() % 70),
                          150.0 + (random() % 500) / 10.0, 50.0 + (random() % 6000) / 100.0,
                          1 + static_cast<unsigned>(random() % 12), 1 + static_cast<unsigned>(random() % 28),
                          groups[random() % 4], random() % 10 == 0 ? "\"late, \"\"rescheduled\"\"\"" : "");
        std::fwrite(line, 1, static_cast<std::size_t>(n), f);
        written += static_cast<std::size_t>(n);
    }
    std::fclose(f);
}

// Processor time of this process (user and system, so the line count's reads count too): other work on
// a shared machine changes the wall-clock figures far more than these.
double cpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::size_t countLines(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY);
    std::vector<char> buffer(1 << 20);
    std::size_t lines = 0;
    for (;;) {
        ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n <= 0)
            break;
        const char* p = buffer.data();
        const char* end = p + n;
        while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))))) {
            ++lines;
            ++p;
        }
    }
    ::close(fd);
    return lines;
}

class NullDelegate final : public CHCSVParserDelegate {
  public:
    bool parserDidBeginLine(CHCSVParser&, std::uint64_t) override { return true; }
    bool parserDidReadField(CHCSVParser&, std::string_view field, std::int64_t) override {
        bytes += field.size();
        return true;
    }
    bool parserDidEndLine(CHCSVParser&, std::uint64_t n) override {
        records = n;
        return true;
    }
    std::uint64_t records = 0;
    std::size_t bytes = 0;
};

std::uint64_t parseFile(const std::string& path) {
    CHCSVParser parser(std::make_unique<FileInputStream>(path), nullptr, U',');
    parser.setSanitizesFields(true);
    NullDelegate delegate;
    parser.setDelegate(&delegate);
    parser.parse();
    return delegate.records;
}

double timed(auto&& run) {
    double start = cpuSeconds();
    run();
    return cpuSeconds() - start;
}

} // namespace

int main() {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("ovrida-bench-" + std::to_string(::getpid()) + ".csv"))
            .string();
    writeFile(path);
    const double megabytes = static_cast<double>(std::filesystem::file_size(path)) / (1 << 20);
    std::size_t lines = 0;
    std::uint64_t records = 0;
    countLines(path); // warm the page cache
    // The two take turns, so that what else the machine does weighs on both alike; each keeps its best.
    constexpr int kRounds = 9;
    double count = 1e30, parse = 1e30;
    for (int round = 0; round < kRounds; ++round) {
        count = std::min(count, timed([&] { lines = countLines(path); }));
        parse = std::min(parse, timed([&] { records = parseFile(path); }));
    }
    std::filesystem::remove(path);
    if (records != lines) {
        std::printf("record count %llu differs from line count %zu\n",
                    static_cast<unsigned long long>(records), lines);
        return 1;
    }
    std::printf("CSV file: %.0f MB, %zu lines; best of %d taking turns, processor time\n", megabytes, lines,
                kRounds);
    std::printf("memchr line count: %8.0f MB/s\n", megabytes / count);
    std::printf("reader (fields to a delegate that ignores them): %8.0f MB/s\n", megabytes / parse);
    std::printf("ratio reader / line count: %.2fx (target <= 5x)\n", parse / count);
    return 0;
}

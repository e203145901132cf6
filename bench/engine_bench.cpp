// Engine speed against the plain system calls it is built from, on 256 MiB.
// Prints each measurement, then the ratios the engine is held to.
//
//   build/bench/engine_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/loaded_file.h"
#include "engine/occurrence_search.h"
#include "engine/replacement.h"

namespace {

using namespace varnolt;

constexpr std::int32_t kSize = 256 << 20;
constexpr std::uint8_t kAbsent = 0xFE;  // never in the data: memchr scans it all

struct Pattern {
    const char* name;
    std::string bytes;
};

const std::vector<Pattern>& patterns() {
    static const std::vector<Pattern> p = {
        {"ascii11", "hello_world"},
        {"two_byte", "\xd6\xd0"},
        {"gbk8", "\xd6\xd0\xce\xc4\xb2\xe2\xca\xd4"},
        {"zero_led12", std::string("\0kernel32.dl", 12)},
        {"zeros_then_01", std::string("\0\0\0\0\0\0\0\x01", 8)},
    };
    return p;
}

// Executable-like data: mostly zero runs, machine-code-like random bytes and
// short strings; every benchmark pattern is then broken up so none occurs.
const ByteString& executableLike() {
    static const ByteString data = [] {
        std::mt19937 rng(42);
        ByteBuilder b(kSize);
        std::uint8_t* p = b.data();
        const char* words[] = {"kernel", "hello", "world", "user32", "GetProcAddress", "\xd6\xd0\xce\xc4", ".dll"};
        std::int64_t i = 0;
        while (i < kSize) {
            const unsigned kind = rng() % 10;
            const std::int64_t run = 8 + rng() % 120;
            for (std::int64_t k = 0; k < run && i < kSize; ++k, ++i) {
                if (kind < 6) {
                    p[i] = 0;
                } else if (kind < 9) {
                    std::uint8_t v = static_cast<std::uint8_t>(rng());
                    p[i] = v == kAbsent ? 0x90 : v;
                } else {
                    const char* w = words[rng() % 7];
                    p[i] = static_cast<std::uint8_t>(w[k % std::strlen(w)]);
                }
            }
        }
        for (const Pattern& pat : patterns()) {
            const std::string_view view(reinterpret_cast<const char*>(p), kSize);
            for (std::size_t at = view.find(pat.bytes); at != std::string_view::npos; at = view.find(pat.bytes, at))
                p[at + pat.bytes.size() - 1] = 0x02;  // in no pattern, so this breaks it for good
        }
        return std::move(b).freeze();
    }();
    return data;
}

void BM_memchr_absent(benchmark::State& state) {
    const ByteString& d = executableLike();
    for (auto _ : state) benchmark::DoNotOptimize(std::memchr(d.data(), kAbsent, static_cast<std::size_t>(d.size())));
    state.SetBytesProcessed(state.iterations() * d.size());
}
BENCHMARK(BM_memchr_absent)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

void BM_find(benchmark::State& state, const Pattern& pat) {
    const ByteString& d = executableLike();
    const ByteString p = ByteString::copyOf(pat.bytes);
    for (auto _ : state) {
        const std::int32_t at = find(d, p, 1);
        if (at != -1) state.SkipWithError("pattern occurs");
        benchmark::DoNotOptimize(at);
    }
    state.SetBytesProcessed(state.iterations() * d.size());
}

std::string scratchFolder() {
    static const std::string dir = [] {
        std::string t = "bench-scratch-XXXXXX";
        if (::mkdtemp(t.data()) == nullptr) std::abort();
        return t;
    }();
    return dir;
}

const std::string& bigFile() {
    static const std::string path = [] {
        const std::string p = scratchFolder() + "/big.bin";
        const ByteString& d = executableLike();
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(d.data()), d.size());
        return p;
    }();
    return path;
}

// Baseline for load: one read() into fresh storage advised for huge pages.
void BM_read_hugepage(benchmark::State& state) {
    const std::string& path = bigFile();
    for (auto _ : state) {
        const std::size_t len = static_cast<std::size_t>(kSize) + (2u << 20);
        void* raw = mmap(nullptr, len, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        auto* aligned = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(raw) + (2u << 20) - 1) & ~std::uintptr_t((2u << 20) - 1));
        madvise(aligned, kSize, MADV_HUGEPAGE);
        const int fd = ::open(path.c_str(), O_RDONLY);
        benchmark::DoNotOptimize(::read(fd, aligned, kSize));
        ::close(fd);
        munmap(raw, len);
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}
BENCHMARK(BM_read_hugepage)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

void BM_load(benchmark::State& state) {
    const std::string& path = bigFile();
    for (auto _ : state) {
        LoadedFile f;
        if (!f.load(path)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(f.buffer().data());
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}
BENCHMARK(BM_load)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

// Baseline for Modify: one copy of the buffer into storage already faulted in.
void BM_memcpy(benchmark::State& state) {
    const ByteString& d = executableLike();
    std::vector<std::uint8_t> dest(static_cast<std::size_t>(d.size()), 1);
    for (auto _ : state) {
        std::memcpy(dest.data(), d.data(), dest.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}
BENCHMARK(BM_memcpy)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

struct Rows {
    std::vector<Text> positions;
    std::int32_t rowCount() const { return static_cast<std::int32_t>(positions.size()); }
    std::int32_t isChecked(std::int32_t) const { return 1; }
    Text cellText(std::int32_t r, std::int32_t) const { return positions[static_cast<std::size_t>(r)]; }
};

Rows thousandRows() {
    Rows rows;
    for (std::int32_t i = 0; i < maxHits; ++i) rows.positions.push_back(intToText(1 + i * (kSize / maxHits)));
    return rows;
}

// As after a drop: the working copy is the loaded file's, held by nothing else.
void BM_modify_1000_rows(benchmark::State& state) {
    const Rows rows = thousandRows();
    LoadedFile f;
    if (!f.load(bigFile())) state.SkipWithError("load failed");
    for (auto _ : state) {
        if (replaceChecked(f, rows, "patched", "hello_world") != ReplaceOutcome::done) state.SkipWithError("not done");
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}
BENCHMARK(BM_modify_1000_rows)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

// The same where another holder shares the buffer, so Modify must copy it.
void BM_modify_1000_rows_shared(benchmark::State& state) {
    const Rows rows = thousandRows();
    LoadedFile f;
    for (auto _ : state) {
        state.PauseTiming();
        f.replaceBuffer(executableLike());
        state.ResumeTiming();
        if (replaceChecked(f, rows, "patched", "hello_world") != ReplaceOutcome::done) state.SkipWithError("not done");
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}
BENCHMARK(BM_modify_1000_rows_shared)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

// Baseline for save: one write() and an fsync to a new file.
void BM_write_fsync(benchmark::State& state) {
    const ByteString& d = executableLike();
    const std::string path = scratchFolder() + "/plain.bin";
    for (auto _ : state) {
        ::unlink(path.c_str());
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        benchmark::DoNotOptimize(::write(fd, d.data(), static_cast<std::size_t>(d.size())));
        ::fsync(fd);
        ::close(fd);
    }
    ::unlink(path.c_str());
    state.SetBytesProcessed(state.iterations() * kSize);
}
BENCHMARK(BM_write_fsync)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_save(benchmark::State& state) {
    LoadedFile f;
    f.replaceBuffer(executableLike());
    const std::string path = scratchFolder() + "/saved.bin";
    for (auto _ : state) {
        state.PauseTiming();
        ::unlink(path.c_str());
        state.ResumeTiming();
        if (!f.save(path)) state.SkipWithError("save failed");
    }
    ::unlink(path.c_str());
    state.SetBytesProcessed(state.iterations() * kSize);
}
BENCHMARK(BM_save)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Peak resident memory of Modify, in a child so other benchmarks' storage
// does not count: the buffer, then the high-water mark reset, then Modify.
double modifyPeakOverBuffer() {
    const pid_t pid = fork();
    if (pid == 0) {
        LoadedFile f;
        if (!f.load(bigFile())) _exit(1);
        const Rows rows = thousandRows();
        auto statusKb = [](const char* field) {
            std::ifstream status("/proc/self/status");
            std::string line;
            long kb = 0;
            while (std::getline(status, line))
                if (line.rfind(field, 0) == 0) kb = std::stol(line.substr(std::strlen(field)));
            return kb;
        };
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = statusKb("VmRSS:");
        (void)replaceChecked(f, rows, "patched", "hello_world");
        // What Modify added on top of everything resident before it.
        std::ofstream(scratchFolder() + "/hwm") << statusKb("VmHWM:") - before + kSize / 1024;
        _exit(0);
    }
    int st = 0;
    waitpid(pid, &st, 0);
    long hwmKb = 0;
    std::ifstream(scratchFolder() + "/hwm") >> hwmKb;
    return static_cast<double>(hwmKb) * 1024.0 / kSize;
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) seconds_[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    double time(const std::string& name) const {
        for (const auto& [k, v] : seconds_)
            if (k.rfind(name, 0) == 0) return v;
        return 0;
    }

private:
    std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
    for (const Pattern& p : patterns())
        benchmark::RegisterBenchmark((std::string("BM_find/") + p.name).c_str(), BM_find, p)
            ->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto ratio = [&](const char* what, const std::string& a, const std::string& b, const char* target) {
        const double ta = reporter.time(a), tb = reporter.time(b);
        if (ta > 0 && tb > 0) std::printf("%-34s %7.3f  (target %s)\n", what, ta / tb, target);
    };
    std::printf("\nRatios, measured side by side in this run:\n");
    for (const Pattern& p : patterns()) {
        const double tf = reporter.time(std::string("BM_find/") + p.name), tm = reporter.time("BM_memchr_absent");
        if (tf > 0 && tm > 0)
            std::printf("search %-27s %7.3f × memchr throughput (target >= 0.8)\n", p.name, tm / tf);
    }
    ratio("load / read() into huge pages", "BM_load", "BM_read_hugepage", "<= 1.5");
    ratio("modify 1000 rows / one memcpy", "BM_modify_1000_rows/", "BM_memcpy", "<= 2");
    ratio("  the same, buffer shared", "BM_modify_1000_rows_shared", "BM_memcpy", "<= 2");
    ratio("save / write()+fsync", "BM_save", "BM_write_fsync", "<= 1.2");
    std::printf("%-34s %7.3f × buffer   (target <= 2)\n", "modify peak memory", modifyPeakOverBuffer());
    std::filesystem::remove_all(scratchFolder());
    return 0;
}

// Throughput of the filter pipeline over a generated mixed Japanese text: every step alone,
// a few combinations and all twenty on, each at 1 MB and 10 MB in pairs of runs, with the median
// of the pairs' 10 MB / 1 MB time ratios, which shows whether a step stays linear; and the
// Unicode bridge, UTF-16 to code page 932 and back.
//
//   FilterBench [benchmark options]          the benchmarks and the summary
//   FilterBench --write-text PATH BYTES      writes the generated text (code page 932)
//   FilterBench --measure IN -- CMD ARGS     runs CMD with IN as standard input and standard
//                                            output to /dev/null; prints its CPU seconds (user
//                                            and system), wall seconds and peak RSS in KiB
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "BenchText.h"
#include "FileIo.h"
#include "Pipeline.h"
#include "Settings.h"
#include "UnicodeBridge.h"

namespace {

using kestrilon::filter::FilterSettings;
using kestrilon::filter::SettingInfo;
using kestrilon::filter::SettingKind;

constexpr std::size_t kMiB = 1 << 20;
constexpr double kMaxRatio = 11;  // 10 MB may take at most 11 times as long as 1 MB

// Puts the text out of the cache, as a file read long before (or a 10 MB text, which the cache
// cannot hold) is: without this the 1 MB runs start with their text in the cache, and the 10 MB
// / 1 MB ratio would measure the cache's size rather than whether a step is linear.
void OutOfTheCache(const std::string& text) {
#if defined(__SSE2__)
  for (std::size_t i = 0; i < text.size(); i += 64) _mm_clflush(text.data() + i);
  _mm_mfence();
#else
  (void)text;
#endif
}

struct Config {
  std::string name;
  FilterSettings settings;
};

void Set(FilterSettings& s, const SettingInfo& info, int value) {
  if (info.kind == SettingKind::RadioGroup) info.SetValue(s, value);
  else info.SetValue(s, value != 0);
}

std::vector<Config> Configs() {
  std::vector<Config> configs = {{"none (load and join)", {}}};
  FilterSettings all_one, all_last;
  for (const SettingInfo& info : kestrilon::filter::AllSettings()) {
    const int last =
        info.kind == SettingKind::RadioGroup ? static_cast<int>(info.items.size()) - 1 : 1;
    for (int v = 1; v <= last; ++v) {
      FilterSettings s;
      Set(s, info, v);
      configs.push_back({std::string(info.name) + "=" + std::to_string(v), s});
    }
    Set(all_one, info, 1);
    Set(all_last, info, last);
  }
  FilterSettings widths;
  widths.NumberMode = widths.AlphabetMode = widths.SpaceMode = kestrilon::filter::Width::ToHalf;
  configs.push_back({"NumberMode+AlphabetMode+SpaceMode=1", widths});
  configs.push_back({"all twenty on (each at 1)", all_one});
  configs.push_back({"all twenty on (each at its last item)", all_last});
  return configs;
}

// Keeps the CPU time of every run for the summary (on a shared machine it varies less than the
// wall clock): the fastest repetition when there are several, since a busy machine only ever
// slows a run down. Prints as usual.
// Each step's runs: the fastest at 1 MB and at 10 MB (CPU seconds), and every pair's ratio.
struct Timings {
  double one = 1e300, ten = 1e300;
  std::vector<double> ratios;
};
std::map<std::string, Timings> timings;

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

int WriteText(const char* path, const char* bytes) {
  const std::string text = kestrilon::bench::MakeBenchText(std::stoull(bytes));
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path);
    return 1;
  }
  return 0;
}

int Measure(int argc, char** argv) {
  // argv: --measure IN -- CMD ARGS...
  if (argc < 5 || std::strcmp(argv[3], "--") != 0) {
    std::fprintf(stderr, "usage: %s --measure IN -- CMD ARGS...\n", argv[0]);
    return 2;
  }
  timespec start{}, end{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open(argv[2], O_RDONLY), out = open("/dev/null", O_WRONLY);
    if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0) _exit(127);
    execvp(argv[4], argv + 4);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", argv[4]);
    return 1;
  }
  clock_gettime(CLOCK_MONOTONIC, &end);
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  const double wall = static_cast<double>(end.tv_sec - start.tv_sec) +
                      static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e9;
  std::printf("%.6f %.6f %ld\n", seconds(usage.ru_utime) + seconds(usage.ru_stime), wall,
              usage.ru_maxrss);  // KiB on Linux
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--write-text") == 0) return WriteText(argv[2], argv[3]);
  if (argc >= 2 && std::strcmp(argv[1], "--measure") == 0) return Measure(argc, argv);

  benchmark::Initialize(&argc, argv);
  const std::string text1 = kestrilon::bench::MakeBenchText(1 * kMiB);
  const std::string text10 = kestrilon::bench::MakeBenchText(10 * kMiB);
  const std::vector<Config> configs = Configs();
  for (const Config& c : configs) {
    benchmark::RegisterBenchmark(c.name.c_str(), [&text1, &text10, name = c.name,
                                                  s = c.settings](benchmark::State& state) {
      kestrilon::filter::Filter filter;  // as a caller keeps it from one run to the next
      // Each iteration runs the 1 MB text ten times, one copy after the other, and the 10 MB
      // text once, and times the two apart: both move 10 MB through the memory, so the ratio
      // shows how a step's cost grows with one text's size rather than how much of a text the
      // cache holds, and the two runs of a pair share whatever the machine's neighbours do.
      Timings& t = timings[name];
      const std::size_t copies = (text10.size() + text1.size() / 2) / text1.size();
      std::vector<std::string> inputs(copies + 1), outputs(copies + 1);
      for (auto _ : state) {
        state.PauseTiming();  // the copy stands for the file read, not the filter's work
        for (std::size_t k = 0; k <= copies; ++k) {
          const std::string& text = k < copies ? text1 : text10;
          inputs[k] = kestrilon::tool::LargeBuffer(2 * text.size() + 64);
          inputs[k].append(text);
          OutOfTheCache(inputs[k]);
        }
        state.ResumeTiming();
        const double start = ThreadCpuSeconds();
        for (std::size_t k = 0; k < copies; ++k) outputs[k] = filter.Run(std::move(inputs[k]), s);
        const double middle = ThreadCpuSeconds();
        outputs[copies] = filter.Run(std::move(inputs[copies]), s);
        const double end = ThreadCpuSeconds();
        benchmark::DoNotOptimize(outputs.data());
        const double one = (middle - start) / static_cast<double>(copies), ten = end - middle;
        t.one = std::min(t.one, one);
        t.ten = std::min(t.ten, ten);
        t.ratios.push_back(ten / one);
        state.PauseTiming();  // giving the memory back is not the filter's work either
        for (std::string& output : outputs) output = std::string();
        state.ResumeTiming();
      }
      state.SetBytesProcessed(
          static_cast<std::int64_t>(state.iterations() * (copies * text1.size() + text10.size())));
    })->Unit(benchmark::kMillisecond);
  }
  // The clipboard's way: the text as UTF-16 to code page 932 and back, as a copy goes through
  // the bridge around the filter.
  const auto utf16 = kestrilon::unicode::Cp932ToUtf16(text10, {}).text;
  benchmark::RegisterBenchmark("bridge UTF-16 to 932 and back /10MB", [&utf16, &text10](
                                                                          benchmark::State& state) {
    for (auto _ : state) {
      const auto cp932 = kestrilon::unicode::Utf16ToCp932(utf16);
      const auto back = kestrilon::unicode::Cp932ToUtf16(cp932.bytes, cp932.placeholders);
      benchmark::DoNotOptimize(back.text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text10.size()));
  })->Unit(benchmark::kMillisecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  std::printf("\n%-42s %10s %10s %12s\n", "steps (CPU time; ratio: median of pairs)", "MB/s 1MB",
              "MB/s 10MB", "10MB/1MB");
  int misses = 0;
  for (const Config& c : configs) {
    const auto found = timings.find(c.name);
    if (found == timings.end() || found->second.ratios.empty()) continue;  // filtered out
    Timings& t = found->second;
    std::sort(t.ratios.begin(), t.ratios.end());
    const std::size_t n = t.ratios.size();
    const double ratio = n % 2 ? t.ratios[n / 2] : (t.ratios[n / 2 - 1] + t.ratios[n / 2]) / 2;
    const bool ok = ratio <= kMaxRatio;
    misses += !ok;
    std::printf("%-42s %10.1f %10.1f %8.2f %s\n", c.name.c_str(),
                static_cast<double>(text1.size()) / 1e6 / t.one,
                static_cast<double>(text10.size()) / 1e6 / t.ten, ratio, ok ? "ok" : "MISS (> 11)");
  }
  std::printf("linearity: %s\n", misses ? "some steps MISS the 10MB/1MB <= 11 bound"
                                        : "every step within 10MB/1MB <= 11");
  return misses ? 1 : 0;
}

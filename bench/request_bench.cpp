// Request handling cost against request size: it must stay linear, so the
// time per byte is what to compare across sizes.
#include <benchmark/benchmark.h>

#include <string>

#include "plugin/request.h"

static void Ignore(Handler) {}

// One header whose value carries the bulk, like a long ghostpathlist.
static std::string LongValueRequest(size_t size) {
  std::string text = "NOTIFY PLUGIN/2.0\r\nID: ghostpathlist\r\nCharset: Shift_JIS\r\nReference0: ";
  text.append(size > text.size() + 4 ? size - text.size() - 4 : 0, 'x');
  return text + "\r\n\r\n";
}

// Many short header lines cycling through a few names, and lines to skip.
static std::string ManyLinesRequest(size_t size) {
  std::string text = "NOTIFY PLUGIN/2.0\r\nID: OnSecondChange\r\n";
  for (unsigned i = 0; text.size() + 32 < size; ++i) {
    text += "Reference" + std::to_string(i % 8) + ": value " + std::to_string(i) + "\r\n";
    if (i % 4 == 0) text += "no separator here\r\n";
  }
  return text + "\r\n";
}

template <std::string (*Make)(size_t)>
static void BM_HandleRequest(benchmark::State& state) {
  const std::string text = Make(static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(HandleRequest(text, Ignore));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

// The floor: one scan and one copy of the text, the least that finding the
// lines and storing a value costs. Its time per byte shows what the cache
// sizes alone do to a linear pass.
template <std::string (*Make)(size_t)>
static void BM_ScanAndCopyFloor(benchmark::State& state) {
  const std::string text = Make(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(text.find("\r\n\r\n"));
    std::string copy = text;
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

#define SIZES ->Arg(10 << 10)->Arg(100 << 10)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMicrosecond)
BENCHMARK_TEMPLATE(BM_HandleRequest, LongValueRequest) SIZES;
BENCHMARK_TEMPLATE(BM_HandleRequest, ManyLinesRequest) SIZES;
BENCHMARK_TEMPLATE(BM_ScanAndCopyFloor, LongValueRequest) SIZES;

BENCHMARK_MAIN();

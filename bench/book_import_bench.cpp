// Importing phone lists: a 100,000-row CSV with Czech names in quoted, semicolon-separated
// fields, and the same rows as vCards, read, cleaned, converted to code page 1250 and checked.
// Prints the headline figures "book_import_csv_100k_rows_ms: T ms" and
// "book_import_vcard_100k_rows_ms: T ms" (medians of the timed runs) for scripts/bench.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/variant.h"
#include "bench_support.h"
#include "phonebook/book_import.h"

namespace {

using namespace vrkt;

constexpr int kRows = 100000;

std::vector<BookRow> Rows(int n) {
  std::vector<BookRow> rows;
  for (int i = 0; i < n; ++i)
    rows.push_back(
        {"\xC8"
         "ern\xFD " +
             std::to_string(i),
         "+420" + std::to_string(600000000 + i)});
  return rows;
}

std::string Csv(int n) {
  std::string text = "Jm\xC3\xA9no;Telefonn\xC3\xAD \xC4\x8D\xC3\xADslo\r\n";
  for (int i = 0; i < n; ++i)
    text +=
        "\"\xC4\x8C"
        "ern\xC3\xBD " +
        std::to_string(i) + "\";+420 " + std::to_string(600000000 + i) + "\r\n";
  return text;
}

const Variant kVariant = VariantFromFileName("VRKTset");
const SimLimits kLimits{250, 40, 16};

void BM_ImportCsv(benchmark::State& state) {
  std::string file = Csv(static_cast<int>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(ImportBook(file, BookFormat::kCsv, kVariant, kLimits, 1250));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ImportCsv)->Arg(1000)->Arg(kRows)->Unit(benchmark::kMillisecond);

void BM_ImportVcard(benchmark::State& state) {
  std::string file = ExportBook(Rows(static_cast<int>(state.range(0))), BookFormat::kVcard, 1250);
  for (auto _ : state)
    benchmark::DoNotOptimize(ImportBook(file, BookFormat::kVcard, kVariant, kLimits, 1250));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ImportVcard)->Arg(1000)->Arg(kRows)->Unit(benchmark::kMillisecond);

void BM_ExportCsv(benchmark::State& state) {
  std::vector<BookRow> rows = Rows(kRows);
  for (auto _ : state) benchmark::DoNotOptimize(ExportBook(rows, BookFormat::kCsv, 1250));
}
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond);

double MedianMs(const std::string& file, BookFormat format) {
  return bench::MedianWallMs(7, [&] {
    BookImport in = ImportBook(file, format, kVariant, kLimits, 1250);
    if (in.rows.size() != kRows) std::fprintf(stderr, "only %zu rows imported\n", in.rows.size());
  });
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("book_import_csv_100k_rows_ms: %.1f ms\n", MedianMs(Csv(kRows), BookFormat::kCsv));
  std::printf("book_import_vcard_100k_rows_ms: %.1f ms\n",
              MedianMs(ExportBook(Rows(kRows), BookFormat::kVcard, 1250), BookFormat::kVcard));
  return 0;
}

// Import of a dropped number file into NumberList (with its report list attached) and export
// of the results, against two yardsticks: reading the file and splitting it with memchr (the
// floor), and the same import into a QStandardItemModel.
//
//   bench_import_export [--benchmark_filter=...]
//
// Counters: rows (rows in the list), rss_MB (resident memory added by the import, list and
// view included), lines (lines found by the floor).

#include "checking/export.h"
#include "checking/import.h"
#include "checking/numberlist.h"
#include "checking/numberlistview.h"
#include "checking/statuscode.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "text/gbk.h"

#include <QApplication>
#include <QDir>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <string>
#include <unistd.h>

using namespace pelmora;
using namespace pelmora::checking;

namespace {

constexpr int kLines = 1000000;
constexpr std::size_t k200MB = std::size_t{200} << 20;

QTemporaryDir& Folder() {
  static QTemporaryDir dir;
  return dir;
}

QString PathOf(const char* name) { return Folder().filePath(QString::fromLatin1(name)); }

std::string Gbk(const QString& path) { return platform::QStringToGbk(path); }

// 1,000,000 lines of 11-digit numbers ending in CR LF.
const QString& MillionLineFile() {
  static const QString path = [] {
    const QString p = PathOf("numbers.txt");
    std::string text;
    text.reserve(kLines * 13);
    for (long long i = 0; i < kLines; ++i) text += std::to_string(13000000000LL + i * 7919 % 1000000000LL) + "\r\n";
    std::ofstream(p.toStdString(), std::ios::binary) << text;
    return p;
  }();
  return path;
}

// 200 MB with no data blocks: every byte reads as NUL.
const QString& SparseFile() {
  static const QString path = [] {
    const QString p = PathOf("sparse.txt");
    std::ofstream(p.toStdString(), std::ios::binary).flush();
    if (::truncate(p.toStdString().c_str(), static_cast<off_t>(k200MB)) != 0) std::abort();
    return p;
  }();
  return path;
}

// 200 MB of numbers, CR LF lines (about 15 million rows).
const QString& BigNumberFile() {
  static const QString path = [] {
    const QString p = PathOf("big.txt");
    std::ofstream out(p.toStdString(), std::ios::binary);
    std::string block;
    for (long long i = 0; i < 100000; ++i) block += std::to_string(13000000000LL + i) + "\r\n";
    for (std::size_t written = 0; written < k200MB; written += block.size()) out << block;
    return p;
  }();
  return path;
}

// 200 MB without a single CR LF: one row whose number cell holds the whole file.
const QString& OneLineFile() {
  static const QString path = [] {
    const QString p = PathOf("oneline.txt");
    std::ofstream(p.toStdString(), std::ios::binary) << std::string(k200MB, '1');
    return p;
  }();
  return path;
}

// Resident memory after handing freed heap memory back, so that a later difference counts
// what was added rather than what an earlier benchmark left for reuse.
long ResidentKiB() {
  ::malloc_trim(0);
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  long kib = 0;
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, "VmRSS:", 6) == 0) kib = std::strtol(line + 6, nullptr, 10);
  std::fclose(f);
  return kib;
}

// Lets the view lay out the new rows and paint what is visible, as the window would at once.
void Settle(QTreeView& view) {
  QApplication::processEvents();
  view.viewport()->repaint();
}

// ---- floor ----

void BM_Floor_ReadAndMemchrSplit(benchmark::State& state) {
  const QString path = MillionLineFile();
  long lines = 0;
  for (auto _ : state) {
    const std::string bytes = platform::ReadWholeFile(path);
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    lines = 0;
    while (const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)))) {
      if (cr + 1 < end && cr[1] == '\n') ++lines;
      p = cr + 1;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_Floor_ReadAndMemchrSplit)->Unit(benchmark::kMillisecond);

// ---- NumberList ----

// arg 0: ImportNumberFile alone (the view is attached and shown); arg 1: also the view's
// layout and first paint.
void BM_Import_NumberList(benchmark::State& state) {
  const std::string path = Gbk(MillionLineFile());
  const bool settle = state.range(0) != 0;
  NumberListView view;
  view.resize(328, 472);
  view.show();
  int rows = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto list = std::make_unique<NumberList>();
    view.setModel(list.get());
    Settle(view);
    state.ResumeTiming();
    ImportNumberFile(*list, path);
    if (settle) Settle(view);
    state.PauseTiming();
    rows = list->RowCount();
    view.setModel(nullptr);
    list.reset();
    state.ResumeTiming();
  }
  state.counters["rows"] = rows;
}
BENCHMARK(BM_Import_NumberList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// arg 0: the list alone; arg 1: the list with its view shown (the window's case).
void BM_Import_NumberList_Memory(benchmark::State& state) {
  const std::string path = Gbk(MillionLineFile());
  for (auto _ : state) {
    const long before = ResidentKiB();
    auto list = std::make_unique<NumberList>();
    std::unique_ptr<NumberListView> view;
    if (state.range(0) != 0) {
      view = std::make_unique<NumberListView>();
      view->resize(328, 472);
      view->setModel(list.get());
      view->show();
    }
    ImportNumberFile(*list, path);
    if (view) Settle(*view);
    const long after = ResidentKiB();
    state.counters["rss_MB"] = static_cast<double>(after - before) / 1024.0;
    state.counters["rows"] = list->RowCount();
  }
}
BENCHMARK(BM_Import_NumberList_Memory)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

// ---- QStandardItemModel yardstick ----

void ImportIntoStandardModel(QStandardItemModel& model, const std::string& pathGbk) {
  const std::string bytes = platform::ReadWholeFile(platform::GbkToQString(pathGbk));
  long ordinal = 0;
  text::ForEachCrLfLine(text::CutAtNul(bytes), [&](std::string_view line) {
    ++ordinal;
    if (!line.empty())
      model.appendRow({new QStandardItem(QString::number(ordinal)),
                       new QStandardItem(platform::GbkToQString(line)), new QStandardItem(),
                       new QStandardItem()});
    return true;
  });
}

void BM_Import_QStandardItemModel(benchmark::State& state) {
  const std::string path = Gbk(MillionLineFile());
  QTreeView view;
  view.setUniformRowHeights(true);
  view.setRootIsDecorated(false);
  view.resize(328, 472);
  view.show();
  int rows = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto model = std::make_unique<QStandardItemModel>(0, 4);
    view.setModel(model.get());
    Settle(view);
    const long before = ResidentKiB();
    state.ResumeTiming();
    ImportIntoStandardModel(*model, path);
    Settle(view);
    state.PauseTiming();
    state.counters["rss_MB"] = static_cast<double>(ResidentKiB() - before) / 1024.0;
    rows = model->rowCount();
    view.setModel(nullptr);
    model.reset();
    state.ResumeTiming();
  }
  state.counters["rows"] = rows;
}
BENCHMARK(BM_Import_QStandardItemModel)->Iterations(1)->Unit(benchmark::kMillisecond);

// ---- 200 MB files ----

// arg 0: sparse (all NUL), arg 1: numbers, arg 2: one line without CR LF.
void BM_Import_200MB(benchmark::State& state) {
  const QString& file = state.range(0) == 0   ? SparseFile()
                        : state.range(0) == 1 ? BigNumberFile()
                                              : OneLineFile();
  const std::string path = Gbk(file);
  for (auto _ : state) {
    const long before = ResidentKiB();
    auto list = std::make_unique<NumberList>();
    NumberListView view;
    view.resize(328, 472);
    view.setModel(list.get());
    view.show();
    ImportNumberFile(*list, path);
    Settle(view);
    state.counters["rss_MB"] = static_cast<double>(ResidentKiB() - before) / 1024.0;
    state.counters["rows"] = list->RowCount();
  }
}
BENCHMARK(BM_Import_200MB)->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kMillisecond);

// ---- export ----

void BM_ExportResults(benchmark::State& state) {
  NumberList list;
  ImportNumberFile(list, Gbk(MillionLineFile()));
  const std::string place = "\xB9\xE3\xB6\xAB\xB9\xE3\xD6\xDD\xD2\xC6\xB6\xAF";  // 广东广州移动
  for (int row = 0; row < list.RowCount(); ++row) {
    list.SetCell(row, kCarrierColumn, place);
    // Values 0 to 5 and one outside them, which no file takes.
    list.SetCell(row, kStatusColumn, StatusWord(std::to_string(row % 7)));
  }
  const QString out = PathOf("results");
  QDir().mkpath(out);
  for (auto _ : state) ExportResults(list, out);
  state.counters["rows"] = list.RowCount();
}
BENCHMARK(BM_ExportResults)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

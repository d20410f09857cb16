// ReadJsonField on a service answer, beside the floor: a bare Duktape heap that JSON.parses
// the same text and is destroyed. Also the four reads of one answer, as a query answer gets
// them, and the same reading through full documents for comparison.
//
// Run: bench_readjsonfield --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// (add --benchmark_enable_random_interleaving=true on a busy machine).

#include <benchmark/benchmark.h>
#include <duktape.h>

#include "platform/codepage.h"
#include "text/jsondocument.h"

namespace {

// About 300 bytes of GBK, the shape of a real answer.
const std::string& Answer() {
  static const std::string answer = pelmora::platform::Utf8ToGbkBytes(
      "{\"code\":0,\"msg\":\"请求成功\",\"charge\":1,\"phoneList\":[{\"mobile\":\"13800138000\","
      "\"province\":\"广东\",\"city\":\"深圳\",\"operatorType\":\"移动\",\"phoneStatus\":1,"
      "\"areaCode\":\"0755\",\"zipCode\":\"518000\",\"lastTime\":\"2026-12-10 08:00:00\","
      "\"remark\":\"正常使用中的号码\",\"score\":97.5,\"tags\":[\"active\",\"verified\"],"
      "\"seq\":1024}]}");
  return answer;
}

const char* const kPaths[] = {"phoneList[0].province", "phoneList[0].city", "phoneList[0].operatorType",
                              "phoneList[0].phoneStatus"};

void BM_Floor_BareHeapJsonParse(benchmark::State& state) {
  const std::string utf8 = pelmora::platform::GbkToUtf8Bytes(Answer());
  for (auto _ : state) {
    duk_context* ctx = duk_create_heap_default();
    duk_get_global_string(ctx, "JSON");
    duk_push_string(ctx, "parse");
    duk_push_lstring(ctx, utf8.data(), utf8.size());
    duk_call_prop(ctx, -3, 1);
    benchmark::DoNotOptimize(duk_get_top(ctx));
    duk_destroy_heap(ctx);
  }
  state.counters["answer_bytes"] = double(Answer().size());
}
BENCHMARK(BM_Floor_BareHeapJsonParse)->Unit(benchmark::kMicrosecond);

// Argument: index into kPaths (0: a string, 3: a number).
void BM_ReadJsonField(benchmark::State& state) {
  const char* path = kPaths[state.range(0)];
  for (auto _ : state) {
    std::string reply = Answer();
    benchmark::DoNotOptimize(pelmora::text::ReadJsonField(reply, path));
  }
}
BENCHMARK(BM_ReadJsonField)->Arg(0)->Arg(3)->Unit(benchmark::kMicrosecond);

void BM_ReadJsonField_FourReadsOfOneAnswer(benchmark::State& state) {
  for (auto _ : state) {
    std::string reply = Answer();
    for (const char* path : kPaths) benchmark::DoNotOptimize(pelmora::text::ReadJsonField(reply, path));
  }
}
BENCHMARK(BM_ReadJsonField_FourReadsOfOneAnswer)->Unit(benchmark::kMicrosecond);

// The number read through full documents: a constructed document, Parse (a second engine),
// TypeOf, then GetDocument (two more engines) and ToJson. What ReadJsonField saves.
void BM_FullDocuments_Number(benchmark::State& state) {
  for (auto _ : state) {
    pelmora::text::JsonDocument doc;
    doc.Parse(Answer());
    benchmark::DoNotOptimize(doc.TypeOf(kPaths[3]));
    benchmark::DoNotOptimize(doc.GetDocument(kPaths[3]).ToJson());
  }
}
BENCHMARK(BM_FullDocuments_Number)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

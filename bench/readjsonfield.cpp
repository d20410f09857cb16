// ReadJsonField on a service answer, beside the floor: a bare Duktape heap that JSON.parses
// the same text and is destroyed.

#include <benchmark/benchmark.h>
#include <duktape.h>

#include "platform/codepage.h"
#include "text/jsondocument.h"

namespace {

std::string Answer() {
  // About 300 bytes, the shape of a real answer.
  return pelmora::platform::Utf8ToGbkBytes(
      "{\"code\":0,\"msg\":\"请求成功\",\"charge\":1,\"phoneList\":[{\"mobile\":\"13800138000\","
      "\"province\":\"广东\",\"city\":\"深圳\",\"operatorType\":\"移动\",\"phoneStatus\":1,"
      "\"areaCode\":\"0755\",\"zipCode\":\"518000\",\"lastTime\":\"2026-12-10 08:00:00\","
      "\"remark\":\"正常使用中的号码\",\"score\":97.5,\"tags\":[\"active\",\"verified\"]}]}");
}

void BM_Floor_BareHeapJsonParse(benchmark::State& state) {
  const std::string utf8 = pelmora::platform::GbkToUtf8Bytes(Answer());
  for (auto _ : state) {
    duk_context* ctx = duk_create_heap_default();
    duk_push_lstring(ctx, utf8.data(), utf8.size());
    duk_json_decode(ctx, -1);
    benchmark::DoNotOptimize(duk_get_top(ctx));
    duk_destroy_heap(ctx);
  }
  state.counters["bytes"] = double(utf8.size());
}
BENCHMARK(BM_Floor_BareHeapJsonParse)->Unit(benchmark::kMicrosecond);

void BM_ReadJsonField(benchmark::State& state) {
  const std::string answer = Answer();
  for (auto _ : state) {
    std::string reply = answer;
    benchmark::DoNotOptimize(pelmora::text::ReadJsonField(reply, "phoneList[0].province"));
  }
}
BENCHMARK(BM_ReadJsonField)->Unit(benchmark::kMicrosecond);

void BM_ReadJsonField_FourReadsOfOneAnswer(benchmark::State& state) {
  const std::string answer = Answer();
  for (auto _ : state) {
    std::string reply = answer;
    for (const char* path : {"phoneList[0].province", "phoneList[0].city", "phoneList[0].operatorType",
                             "phoneList[0].phoneStatus"})
      benchmark::DoNotOptimize(pelmora::text::ReadJsonField(reply, path));
  }
}
BENCHMARK(BM_ReadJsonField_FourReadsOfOneAnswer)->Unit(benchmark::kMicrosecond);

// The same read through a full document, as the reading is defined (library loaded, a fresh
// engine for Parse, a third one for a number): what the shortcut saves.
void BM_DocumentRoad_Number(benchmark::State& state) {
  const std::string answer = Answer();
  for (auto _ : state) {
    pelmora::text::JsonDocument doc;
    doc.Parse(answer);
    benchmark::DoNotOptimize(doc.GetDocument("phoneList[0].phoneStatus").ToJson());
  }
}
BENCHMARK(BM_DocumentRoad_Number)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

// ReadJsonField on arbitrary service answers: the input is the reply text, read at the four
// paths of a query answer and at a path taken from the input's tail.
//
// Invariants:
// - no crash, no hang (libFuzzer's -timeout), nothing run as script: a global the reply could
//   set by being evaluated is never seen;
// - the caller's reply loses every CR and LF and nothing else;
// - a reply that is not JSON (checked here by a second engine's JSON.parse of the same text)
//   reads as "JSON解析失败", at every path;
// - a value never holds a NUL.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "text/gbk.h"
#include "text/jsondocument.h"

using pelmora::fuzz::AsView;

namespace {
const std::string kFailed = "JSON\xBD\xE2\xCE\xF6\xCA\xA7\xB0\xDC";  // JSON解析失败
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  const std::string input(AsView(data, size));
  // The last line, when there is one, is a path; the rest is the reply.
  std::string reply = input;
  std::string path = "phoneList[0].province";
  if (const size_t cut = input.rfind('\x01'); cut != std::string::npos && input.size() - cut < 64) {
    reply = input.substr(0, cut);
    path = input.substr(cut + 1);
  }
  const std::string expectedReply =
      pelmora::text::RemoveByte(pelmora::text::RemoveByte(reply, '\r'), '\n');
  pelmora::text::JsonDocument probe;
  const bool parses = probe.Parse(expectedReply);
  for (const char* p : {"phoneList[0].province", "phoneList[0].city", "phoneList[0].operatorType",
                        "phoneList[0].phoneStatus"}) {
    std::string r = reply;
    const std::string value = pelmora::text::ReadJsonField(r, p);
    FUZZ_CHECK(r == expectedReply);
    FUZZ_CHECK(!pelmora::fuzz::HasNul(value));
    if (!parses) FUZZ_CHECK(value == kFailed);
  }
  std::string r = reply;
  const std::string value = pelmora::text::ReadJsonField(r, path);
  FUZZ_CHECK(r == expectedReply);
  FUZZ_CHECK(!pelmora::fuzz::HasNul(value));
  // A reply that does not parse as JSON (or is null) always fails.
  if (!parses) FUZZ_CHECK(value == kFailed);
  // Nothing the reply holds was evaluated.
  FUZZ_CHECK(!probe.Engine() || probe.Engine()->EvalText("typeof hacked") != "number");
  return 0;
}

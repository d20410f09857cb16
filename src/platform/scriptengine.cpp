#include "platform/scriptengine.h"

#include <csetjmp>
#include <duktape.h>

#include "platform/codepage.h"

namespace pelmora::platform {
namespace {

// A fatal engine error (never expected, since every call is protected) jumps back to the call
// that entered the engine instead of ending the program; that engine is then abandoned.
thread_local std::jmp_buf* t_fatalJump = nullptr;

void OnFatal(void*, const char*) {
  if (t_fatalJump) std::longjmp(*t_fatalJump, 1);
  std::abort();  // outside any call of ours: nothing sane is left to do
}

// The engine speaks CESU-8 (characters beyond the BMP as two encoded surrogates); join such
// pairs into UTF-8 so that each stays one character on the way to GBK.
std::string CesuToUtf8(const char* p, size_t n) {
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n;) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(p[k]); };
    if (i + 6 <= n && b(i) == 0xED && (b(i + 1) & 0xF0) == 0xA0 && b(i + 3) == 0xED &&
        (b(i + 4) & 0xF0) == 0xB0) {
      const unsigned hi = ((b(i + 1) & 0x0F) << 6) | (b(i + 2) & 0x3F);
      const unsigned lo = ((b(i + 4) & 0x0F) << 6) | (b(i + 5) & 0x3F);
      const unsigned cp = 0x10000 + (hi << 10) + lo;
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
      i += 6;
    } else {
      out += p[i++];
    }
  }
  return out;
}

std::string ToGbk(duk_context* ctx, duk_idx_t idx) {
  duk_size_t len = 0;
  const char* s = duk_get_lstring(ctx, idx, &len);
  if (!s) return {};
  return Utf8ToGbkBytes(CesuToUtf8(s, len));
}

}  // namespace

std::shared_ptr<ScriptEngine> ScriptEngine::Create() {
  duk_context* ctx = duk_create_heap(nullptr, nullptr, nullptr, nullptr, OnFatal);
  if (!ctx) return nullptr;
  std::shared_ptr<ScriptEngine> engine(new ScriptEngine());
  engine->ctx_ = ctx;
  return engine;
}

ScriptEngine::~ScriptEngine() {
  if (ctx_ && !dead_) duk_destroy_heap(ctx_);
}

// Runs body(ctx) with the engine's stack restored afterwards; a fatal engine error inside it
// abandons the engine. False when the engine is unusable or was abandoned.
template <typename F>
bool ScriptEngine::Guarded(F&& body) {
  if (!ctx_ || dead_) return false;
  std::jmp_buf jump;
  std::jmp_buf* const outer = t_fatalJump;
  t_fatalJump = &jump;
  if (setjmp(jump) != 0) {
    t_fatalJump = outer;
    dead_ = true;
    return false;
  }
  const duk_idx_t top = duk_get_top(ctx_);
  body(ctx_);
  duk_set_top(ctx_, top);
  t_fatalJump = outer;
  return true;
}

ScriptEngine::Result ScriptEngine::Run(std::string_view script, Reading reading) {
  Result result;
  const std::string source = GbkToUtf8Bytes(script);
  const bool survived = Guarded([&](duk_context* ctx) {
    if (duk_peval_lstring(ctx, source.data(), source.size()) != 0) return;
    result.ok = true;
    switch (reading) {
      case Reading::Bool:
        if (duk_is_boolean(ctx, -1))
          result.boolean = duk_get_boolean(ctx, -1) != 0;
        else if (duk_is_number(ctx, -1))
          result.boolean = duk_get_number(ctx, -1) != 0;
        else  // truthiness, read without running any script of the value
          result.boolean = !(duk_is_null_or_undefined(ctx, -1) ||
                             (duk_is_string(ctx, -1) && duk_get_length(ctx, -1) == 0));
        break;
      case Reading::Text:
        if (duk_is_string(ctx, -1)) result.text = ToGbk(ctx, -1);
        break;
      case Reading::Number:
        if (duk_is_number(ctx, -1)) result.number = duk_get_number(ctx, -1);
        break;
      case Reading::None:
        break;
    }
  });
  return survived ? result : Result{};
}

void ScriptEngine::AddCode(std::string_view script) { Run(script, Reading::None); }
bool ScriptEngine::EvalBool(std::string_view script) { return Run(script, Reading::Bool).boolean; }
std::string ScriptEngine::EvalText(std::string_view script) { return Run(script, Reading::Text).text; }
double ScriptEngine::EvalNumber(std::string_view script) { return Run(script, Reading::Number).number; }

bool ScriptEngine::ParseJsonInto(std::string_view name, std::string_view json) {
  struct Args {
    std::string text;
    std::string key;
  } args{GbkToUtf8Bytes(json), std::string(name)};
  bool parsed = false;
  Guarded([&](duk_context* ctx) {
    // Inside a safe call every API error is caught: global[key] = JSON.parse(text).
    parsed = duk_safe_call(
                 ctx,
                 [](duk_context* c, void* udata) -> duk_ret_t {
                   auto* a = static_cast<Args*>(udata);
                   duk_push_global_object(c);
                   duk_get_prop_string(c, -1, "JSON");
                   duk_get_prop_string(c, -1, "parse");
                   duk_push_lstring(c, a->text.data(), a->text.size());
                   duk_call(c, 1);
                   duk_put_prop_lstring(c, -3, a->key.data(), a->key.size());
                   return 0;
                 },
                 &args, 0, 1) == DUK_EXEC_SUCCESS;
    if (parsed) return;
    duk_safe_call(  // a text that does not parse leaves the global null
        ctx,
        [](duk_context* c, void* udata) -> duk_ret_t {
          auto* a = static_cast<Args*>(udata);
          duk_push_null(c);
          duk_put_global_lstring(c, a->key.data(), a->key.size());
          return 0;
        },
        &args, 0, 1);
  });
  return parsed;
}

}  // namespace pelmora::platform

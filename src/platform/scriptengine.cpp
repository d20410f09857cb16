#include "platform/scriptengine.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <duktape.h>
#include <utility>
#include <vector>

#include "platform/codepage.h"

namespace pelmora::platform {
namespace {

// Every call into Duktape runs inside RunGuarded, and everything that can throw runs inside
// duk_safe_call, so script errors never reach the fatal handler. Should the engine still meet
// a fatal error (an internal fault), the handler jumps back to the guard that entered the
// engine instead of ending the program, and that engine is abandoned. The jump only ever
// crosses Duktape's own frames and lambdas that hold no objects needing destruction.
thread_local std::jmp_buf* t_fatalJump = nullptr;

[[noreturn]] void OnFatal(void*, const char*) {
  if (t_fatalJump) std::longjmp(*t_fatalJump, 1);
  std::abort();  // not reachable: no Duktape call is made outside RunGuarded
}

template <typename F>
bool RunGuarded(F&& body) {
  std::jmp_buf jump;
  std::jmp_buf* const outer = t_fatalJump;
  t_fatalJump = &jump;
  if (setjmp(jump) != 0) {
    t_fatalJump = outer;
    return false;
  }
  body();
  t_fatalJump = outer;
  return true;
}

// Duktape keeps a character beyond the BMP as two encoded surrogates (CESU-8); join each such
// pair into one UTF-8 sequence so that it stays one character on the way to GBK. A lone
// surrogate stays as it is and becomes "?" there.
std::string CesuToUtf8(const char* p, size_t n) {
  std::string out;
  out.reserve(n);
  const auto b = [p](size_t k) { return static_cast<unsigned char>(p[k]); };
  for (size_t i = 0; i < n;) {
    if (i + 6 <= n && b(i) == 0xED && (b(i + 1) & 0xF0) == 0xA0 && (b(i + 2) & 0xC0) == 0x80 &&
        b(i + 3) == 0xED && (b(i + 4) & 0xF0) == 0xB0 && (b(i + 5) & 0xC0) == 0x80) {
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

// The string at idx as GBK; empty for anything that is not a plain string. Never throws.
std::string StringAt(duk_context* ctx, duk_idx_t idx) {
  if (!duk_is_string(ctx, idx) || duk_is_symbol(ctx, idx)) return {};
  duk_size_t len = 0;
  const char* s = duk_get_lstring(ctx, idx, &len);
  if (!s) return {};
  return Utf8ToGbkBytes(CesuToUtf8(s, len));
}

duk_ret_t EvalCall(duk_context* ctx, void* udata) {
  const auto* source = static_cast<const std::string*>(udata);
  duk_eval_lstring(ctx, source->data(), source->size());
  return 1;
}

duk_ret_t ProgramCall(duk_context* ctx, void* udata) {
  const auto* source = static_cast<const std::string*>(udata);
  duk_compile_lstring(ctx, 0, source->data(), source->size());
  duk_call(ctx, 0);
  return 0;
}

// Compiles the program, runs it and returns its compiled form (a buffer).
duk_ret_t CompileDumpRunCall(duk_context* ctx, void* udata) {
  const auto* source = static_cast<const std::string*>(udata);
  duk_compile_lstring(ctx, 0, source->data(), source->size());
  duk_dup_top(ctx);
  duk_dump_function(ctx);  // [program, bytecode]
  duk_insert(ctx, -2);     // [bytecode, program]
  duk_call(ctx, 0);
  duk_pop(ctx);
  return 1;
}

duk_ret_t LoadRunCall(duk_context* ctx, void* udata) {
  const auto* bytecode = static_cast<const std::string*>(udata);
  void* buffer = duk_push_fixed_buffer(ctx, bytecode->size());
  std::memcpy(buffer, bytecode->data(), bytecode->size());
  duk_load_function(ctx);
  duk_call(ctx, 0);
  return 0;
}

struct ParseArgs {
  std::string utf8;
  std::string name;
};

duk_ret_t ParseIntoCall(duk_context* ctx, void* udata) {
  const auto* args = static_cast<const ParseArgs*>(udata);
  duk_push_global_object(ctx);
  duk_get_prop_string(ctx, -1, "JSON");
  duk_push_string(ctx, "parse");
  duk_push_lstring(ctx, args->utf8.data(), args->utf8.size());
  duk_call_prop(ctx, -3, 1);  // JSON.parse(text), with JSON as `this`
  duk_put_prop_lstring(ctx, -3, args->name.data(), args->name.size());
  return 0;
}

duk_ret_t SetNullCall(duk_context* ctx, void* udata) {
  const auto* args = static_cast<const ParseArgs*>(udata);
  duk_push_null(ctx);
  duk_put_global_lstring(ctx, args->name.data(), args->name.size());
  return 0;
}

duk_ret_t ReencodeCall(duk_context* ctx, void* udata) {
  const auto* utf8 = static_cast<const std::string*>(udata);
  duk_push_lstring(ctx, utf8->data(), utf8->size());
  duk_json_decode(ctx, -1);
  duk_json_encode(ctx, -1);
  return 1;
}

// Compiled forms of shared scripts, per thread (an engine belongs to its thread). Only a few
// scripts are ever shared; the oldest entry makes room for a new one.
struct CompiledScript {
  std::string source;
  std::string bytecode;
};
thread_local std::vector<CompiledScript> t_compiled;
constexpr size_t kMaxCompiled = 4;

}  // namespace

std::shared_ptr<ScriptEngine> ScriptEngine::Create() {
  duk_context* ctx = nullptr;
  RunGuarded([&] { ctx = duk_create_heap(nullptr, nullptr, nullptr, nullptr, OnFatal); });
  if (!ctx) return nullptr;
  std::shared_ptr<ScriptEngine> engine(new ScriptEngine());
  engine->ctx_ = ctx;
  return engine;
}

ScriptEngine::~ScriptEngine() {
  // An abandoned engine is left as it is: its heap can no longer be trusted to come apart.
  if (ctx_ && !dead_) RunGuarded([this] { duk_destroy_heap(ctx_); });
}

// Runs body(ctx) with the engine's value stack restored afterwards. False when the engine is
// unusable or met a fatal error, after which it is abandoned.
template <typename F>
bool ScriptEngine::Guarded(F&& body) {
  if (!ctx_ || dead_) return false;
  duk_context* const ctx = ctx_;
  const duk_idx_t top = duk_get_top(ctx);
  const bool survived = RunGuarded([&] {
    body(ctx);
    duk_set_top(ctx, top);
  });
  if (!survived) dead_ = true;
  return survived;
}

ScriptEngine::Result ScriptEngine::Eval(std::string_view script, Reading reading) {
  Result result;
  const std::string source = GbkToUtf8Bytes(script);
  Guarded([&](duk_context* ctx) {
    if (duk_safe_call(ctx, EvalCall, const_cast<std::string*>(&source), 0, 1) != DUK_EXEC_SUCCESS)
      return;
    // Only reads that run no script and cannot throw happen outside the safe call.
    switch (reading) {
      case Reading::Bool:
        if (duk_is_boolean(ctx, -1))
          result.boolean = duk_get_boolean(ctx, -1) != 0;
        else if (duk_is_number(ctx, -1))
          result.boolean = duk_get_number(ctx, -1) != 0;
        else
          result.boolean = duk_to_boolean(ctx, -1) != 0;
        break;
      case Reading::Text:
        result.text = StringAt(ctx, -1);
        break;
      case Reading::Number:
        if (duk_is_number(ctx, -1)) result.number = duk_get_number(ctx, -1);
        break;
    }
  });
  return result;
}

void ScriptEngine::AddCode(std::string_view script) {
  const std::string source = GbkToUtf8Bytes(script);
  Guarded([&](duk_context* ctx) { duk_safe_call(ctx, ProgramCall, const_cast<std::string*>(&source), 0, 0); });
}

void ScriptEngine::AddSharedCode(std::string_view script) {
  const std::string source = GbkToUtf8Bytes(script);
  for (const CompiledScript& compiled : t_compiled) {
    if (compiled.source == source) {
      Guarded([&](duk_context* ctx) {
        duk_safe_call(ctx, LoadRunCall, const_cast<std::string*>(&compiled.bytecode), 0, 0);
      });
      return;
    }
  }
  std::string bytecode;
  Guarded([&](duk_context* ctx) {
    if (duk_safe_call(ctx, CompileDumpRunCall, const_cast<std::string*>(&source), 0, 1) != DUK_EXEC_SUCCESS)
      return;  // a script that fails is not kept; it fails the same way next time
    duk_size_t size = 0;
    const void* data = duk_get_buffer(ctx, -1, &size);
    if (data && size) bytecode.assign(static_cast<const char*>(data), size);
  });
  if (bytecode.empty()) return;
  if (t_compiled.size() >= kMaxCompiled) t_compiled.erase(t_compiled.begin());
  t_compiled.push_back({source, std::move(bytecode)});
}

bool ScriptEngine::EvalBool(std::string_view script) { return Eval(script, Reading::Bool).boolean; }
std::string ScriptEngine::EvalText(std::string_view script) { return Eval(script, Reading::Text).text; }
double ScriptEngine::EvalNumber(std::string_view script) { return Eval(script, Reading::Number).number; }

bool ScriptEngine::ParseJsonInto(std::string_view name, std::string_view json) {
  ParseArgs args{GbkToUtf8Bytes(json), std::string(name)};
  bool parsed = false;
  Guarded([&](duk_context* ctx) {
    parsed = duk_safe_call(ctx, ParseIntoCall, &args, 0, 0) == DUK_EXEC_SUCCESS;
    if (!parsed) duk_safe_call(ctx, SetNullCall, &args, 0, 0);
  });
  return parsed;
}

std::string ScriptEngine::ReencodeJson(std::string_view json) {
  const std::string utf8 = GbkToUtf8Bytes(json);
  std::string text;
  Guarded([&](duk_context* ctx) {
    if (duk_safe_call(ctx, ReencodeCall, const_cast<std::string*>(&utf8), 0, 1) == DUK_EXEC_SUCCESS)
      text = StringAt(ctx, -1);
  });
  return text;
}

}  // namespace pelmora::platform

#pragma once
// A JavaScript engine (Duktape) for the client's JSON documents. Texts cross the boundary as
// GBK; a character GBK cannot hold comes back as "?". Every call is protected: a syntax error,
// an exception or anything else the engine meets reads as false, empty text or 0 and leaves
// the engine usable.

#include <memory>
#include <string>
#include <string_view>

struct duk_hthread;

namespace pelmora::platform {

class ScriptEngine {
 public:
  // A new engine, or null when none can be created.
  static std::shared_ptr<ScriptEngine> Create();
  ~ScriptEngine();
  ScriptEngine(const ScriptEngine&) = delete;
  ScriptEngine& operator=(const ScriptEngine&) = delete;

  // Runs the script at global scope; its declarations persist. Errors are swallowed.
  void AddCode(std::string_view script);
  // Evaluates the script at global scope as JavaScript's eval does (a `var` makes a global,
  // the value is that of the last expression statement) and reads the value:
  //  - as bool: a boolean's own value, otherwise the value's truthiness;
  //  - as text: a string's characters, otherwise empty;
  //  - as number: a number's value, otherwise 0.
  bool EvalBool(std::string_view script);
  std::string EvalText(std::string_view script);
  double EvalNumber(std::string_view script);

  // Sets the global `name` to `value` parsed with JSON.parse, the text going in as a string
  // value (never as script); on any failure the global is null. Returns whether it parsed.
  bool ParseJsonInto(std::string_view name, std::string_view json);

 private:
  ScriptEngine() = default;
  enum class Reading { Bool, Text, Number, None };
  struct Result {
    bool ok = false;
    bool boolean = false;
    double number = 0;
    std::string text;
  };
  Result Run(std::string_view script, Reading reading);
  template <typename F>
  bool Guarded(F&& body);

  duk_hthread* ctx_ = nullptr;
  bool dead_ = false;  // the engine met a fatal error and is never used again
};

}  // namespace pelmora::platform

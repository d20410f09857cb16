#pragma once
// A JavaScript engine (Duktape) for the client's JSON documents. Texts cross the boundary as
// GBK; a character GBK cannot hold comes back as "?". Every call is protected: a syntax error,
// an exception, a recursion limit or anything else the engine meets reads as false, empty text
// or 0 and leaves the engine usable. An engine belongs to the thread that created it.
//
// Share an engine by copying its shared_ptr; it ends with the last handle.

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

  // Runs the script as program code at global scope; its declarations persist. Errors are
  // swallowed.
  void AddCode(std::string_view script);
  // The same for a script that many engines run (a library): it is compiled once per thread
  // and every later engine loads the compiled form.
  void AddSharedCode(std::string_view script);

  // Evaluates the script at global scope as JavaScript's eval does (a `var` makes a global,
  // the value is that of the last expression statement) and reads the value:
  //  - as bool: a boolean's own value, a number's "not zero", otherwise the value's truthiness;
  //  - as text: a string's characters, otherwise empty;
  //  - as number: a number's value, otherwise 0.
  // A failed evaluation reads as false, empty text or 0.
  bool EvalBool(std::string_view script);
  std::string EvalText(std::string_view script);
  double EvalNumber(std::string_view script);

  // Sets the global `name` to the value of the script's JSON.parse of `json`, the text going
  // in as a string value (never as script). On any failure the global is set to null.
  // Returns whether the text parsed.
  bool ParseJsonInto(std::string_view name, std::string_view json);

  // `json` decoded and encoded again by the engine's built-in codec (compact), or empty when
  // it is not JSON. For a primitive value (a number, a string, true, false, null) the result
  // depends on the text alone, whatever scripts have done to the engine.
  std::string ReencodeJson(std::string_view json);

 private:
  ScriptEngine() = default;
  enum class Reading { Bool, Text, Number };
  struct Result {
    bool boolean = false;
    double number = 0;
    std::string text;
  };
  Result Eval(std::string_view script, Reading reading);
  template <typename F>
  bool Guarded(F&& body);

  duk_hthread* ctx_ = nullptr;
  bool dead_ = false;  // the engine met a fatal error and is never entered again
};

}  // namespace pelmora::platform

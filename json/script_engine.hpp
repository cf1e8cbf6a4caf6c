// ScriptEngine: one JavaScript heap (Duktape) with the host steps a JsonDoc is built from.
// Texts cross in code page 936 and are handed to the engine as UTF-8.
//
// A search reply is evaluated as script, so nothing it does may hang or exhaust the tool: every
// step runs under a time bound and the heap under a size cap. A step that hits either bound
// fails like a script error, and the engine stays usable afterwards.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>

#include "core/text.hpp"
#include "json/script_value.hpp"

namespace kessaro {

struct ScriptLimits {
    // Time one step may run script code. Native code that runs past it (a regular expression, a
    // huge join) is stopped within about one more second.
    std::chrono::milliseconds step_time{3000};
    // Bytes the heap may hold at once.
    std::size_t heap_bytes = std::size_t{256} << 20;
};

class ScriptEngine {
  public:
    // Empty when the heap cannot be created.
    static std::shared_ptr<ScriptEngine> create(const ScriptLimits& limits = {});
    ~ScriptEngine();
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

    // Runs statements in the global scope and answers the value of the last expression
    // statement (`var` declarations persist for later steps); a failed step gives the failed
    // kind. An object or array answer is replaced by its default value (see ScriptValue).
    ScriptValue eval(const Text& script);

    bool eval_bool(const Text& script) { return script_value_to_bool(eval(script)); }
    Text eval_text(const Text& script) { return script_value_to_text(eval(script)); }
    double eval_number(const Text& script) { return script_value_to_number(eval(script)); }
    // Runs statements for their effect only; failures are ignored.
    void eval_discard(const Text& script);
    // Runs a whole program in the global scope; failures are ignored.
    void add_code(const Text& script);

    // Reads `json` with the engine's own JSON parser and stores the value in the global variable
    // `name`. No script runs and there is no limit on the number of elements. False, with the
    // variable unchanged, when the parser does not accept the whole text.
    bool load_json(const Text& name, const Text& json);

  private:
    struct Heap;
    explicit ScriptEngine(std::unique_ptr<Heap> heap);

    std::unique_ptr<Heap> heap_;
};

}  // namespace kessaro

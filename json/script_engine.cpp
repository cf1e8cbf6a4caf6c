// The only file that speaks to Duktape. Duktape unwinds errors with longjmp, so every call into
// it is a protected call, and the functions that run inside one hold no C++ object with a
// destructor; results are copied into our own storage before they leave the value stack.
#include "json/script_engine.hpp"

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "duktape.h"

namespace kessaro {
namespace {

using Clock = std::chrono::steady_clock;

// The bounds of one heap, handed to Duktape as the heap's user data. The allocator enforces the
// size cap. The step deadline is enforced by the executor's time-out check, which runs only
// between instructions of script code; a native function that runs long (a huge join, a scan of
// a made-up length) is stopped by the allocator instead, which refuses to grow the heap once the
// deadline has been passed by a grace period. The grace matters: every refused allocation makes
// Duktape collect garbage twice, which with a large heap costs far more than the error that the
// time-out check raises by itself.
struct Bounds {
    ScriptLimits limits;
    std::size_t used = 0;
    bool armed = false;
    bool native_overrun = false;
    unsigned allocations = 0;
    Clock::time_point deadline;

    bool time_is_up() const { return armed && Clock::now() >= deadline; }

    bool may_grow(std::size_t extra) {
        if (used >= limits.heap_bytes || extra > limits.heap_bytes - used)
            return false;
        // Reading the clock on every allocation would cost more than the allocation itself.
        if (armed && !native_overrun && ++allocations % 64 == 0)
            native_overrun = Clock::now() >= deadline + kNativeGrace;
        return !(armed && native_overrun);
    }

    static constexpr std::chrono::milliseconds kNativeGrace{1000};
};

// The count keeps what malloc really holds for each block, read back at realloc and free, so no
// size has to be stored beside the blocks.
void* allocate(void* udata, duk_size_t size) {
    auto* bounds = static_cast<Bounds*>(udata);
    if (!bounds->may_grow(size))
        return nullptr;
    void* block = std::malloc(size);
    bounds->used += malloc_usable_size(block);
    return block;
}

void release(void* udata, void* pointer) {
    static_cast<Bounds*>(udata)->used -= malloc_usable_size(pointer);
    std::free(pointer);
}

// A failed resize leaves the old block as it was, as Duktape expects; a resize to nothing frees
// the block, and Duktape takes the empty answer for success.
void* reallocate(void* udata, void* pointer, duk_size_t size) {
    if (pointer == nullptr)
        return allocate(udata, size);
    if (size == 0) {
        release(udata, pointer);
        return nullptr;
    }
    auto* bounds = static_cast<Bounds*>(udata);
    const std::size_t old_size = malloc_usable_size(pointer);
    if (size > old_size && !bounds->may_grow(size - old_size))
        return nullptr;
    void* block = std::realloc(pointer, size);
    if (block == nullptr)
        return nullptr;
    bounds->used = bounds->used - old_size + malloc_usable_size(block);
    return block;
}

// Duktape calls this only for an error thrown outside every protected call, which this layer
// never does; there is no way to continue from it.
[[noreturn]] void fatal(void*, const char*) {
    std::abort();
}

// Marks the step deadline for as long as one protected call runs.
class ArmedStep {
  public:
    explicit ArmedStep(Bounds& bounds) : bounds_(bounds) {
        bounds_.deadline = Clock::now() + bounds_.limits.step_time;
        bounds_.native_overrun = false;
        bounds_.armed = true;
    }
    ~ArmedStep() { bounds_.armed = false; }
    ArmedStep(const ArmedStep&) = delete;
    ArmedStep& operator=(const ArmedStep&) = delete;

  private:
    Bounds& bounds_;
};

// What a protected call reads and writes; plain data only (see the file's first comment).
struct Call {
    const char* source = nullptr;
    std::size_t length = 0;
    const char* name = nullptr;
    std::size_t name_length = 0;
    ScriptValue::Kind kind = ScriptValue::Kind::failed;
    bool boolean = false;
    double number = 0;
};

// Leaves one value on the stack: the answer's string form for a string or number, else
// undefined.
duk_ret_t evaluate(duk_context* context, void* udata) {
    auto* call = static_cast<Call*>(udata);
    duk_eval_lstring(context, call->source, call->length);
    const duk_int_t type = duk_get_type(context, -1);
    if (type == DUK_TYPE_OBJECT || type == DUK_TYPE_BUFFER || type == DUK_TYPE_LIGHTFUNC)
        duk_to_primitive(context, -1, DUK_HINT_NONE);
    switch (duk_get_type(context, -1)) {
        case DUK_TYPE_UNDEFINED:
            call->kind = ScriptValue::Kind::undefined;
            return 1;
        case DUK_TYPE_NULL:
            call->kind = ScriptValue::Kind::null;
            return 1;
        case DUK_TYPE_BOOLEAN:
            call->kind = ScriptValue::Kind::boolean;
            call->boolean = duk_get_boolean(context, -1) != 0;
            return 1;
        case DUK_TYPE_NUMBER:
            call->kind = ScriptValue::Kind::number;
            call->number = duk_get_number(context, -1);
            duk_to_string(context, -1);
            return 1;
        case DUK_TYPE_STRING:
            if (!duk_is_symbol(context, -1)) {
                call->kind = ScriptValue::Kind::string;
                return 1;
            }
            break;
        default:
            break;
    }
    call->kind = ScriptValue::Kind::failed;
    duk_pop(context);
    duk_push_undefined(context);
    return 1;
}

duk_ret_t evaluate_for_effect(duk_context* context, void* udata) {
    auto* call = static_cast<Call*>(udata);
    duk_eval_lstring_noresult(context, call->source, call->length);
    return 0;
}

duk_ret_t run_program(duk_context* context, void* udata) {
    auto* call = static_cast<Call*>(udata);
    duk_compile_lstring(context, 0, call->source, call->length);
    duk_call(context, 0);
    return 0;
}

duk_ret_t push_text(duk_context* context, void* udata) {
    auto* call = static_cast<Call*>(udata);
    duk_push_lstring(context, call->source, call->length);
    return 1;
}

// Takes the text that push_text left on the stack.
duk_ret_t decode_json(duk_context* context, void* udata) {
    auto* call = static_cast<Call*>(udata);
    duk_json_decode(context, -1);
    duk_put_global_lstring(context, call->name, call->name_length);
    return 0;
}

}  // namespace

struct ScriptEngine::Heap {
    Bounds bounds;
    duk_context* context = nullptr;

    ~Heap() {
        if (context != nullptr)
            duk_destroy_heap(context);
    }

    // Runs one protected call under the step bounds; leaves the stack as it found it apart from
    // the call's results.
    bool run(duk_safe_call_function function, Call& call, duk_idx_t results,
             duk_idx_t arguments = 0) {
        const ArmedStep armed(bounds);
        return duk_safe_call(context, function, &call, arguments, results) == DUK_EXEC_SUCCESS;
    }
};

}  // namespace kessaro

// The executor's time-out check, named in the derived duk_config.h. A heap created elsewhere
// (a benchmark's reference heap) has no bounds and never times out.
extern "C" int kessaro_script_time_is_up(void* heap_udata) {
    return heap_udata != nullptr && static_cast<kessaro::Bounds*>(heap_udata)->time_is_up() ? 1 : 0;
}

namespace kessaro {

std::shared_ptr<ScriptEngine> ScriptEngine::create(const ScriptLimits& limits) {
    auto heap = std::make_unique<Heap>();
    heap->bounds.limits = limits;
    heap->context = duk_create_heap(allocate, reallocate, release, &heap->bounds, fatal);
    if (heap->context == nullptr)
        return nullptr;
    return std::shared_ptr<ScriptEngine>(new ScriptEngine(std::move(heap)));
}

ScriptEngine::ScriptEngine(std::unique_ptr<Heap> heap) : heap_(std::move(heap)) {}

ScriptEngine::~ScriptEngine() = default;

ScriptValue ScriptEngine::eval(const Text& script) {
    const std::string source = text_to_script(script);
    Call call;
    call.source = source.data();
    call.length = source.size();
    ScriptValue value;
    if (!heap_->run(evaluate, call, 1))
        call.kind = ScriptValue::Kind::failed;
    value.kind = call.kind;
    value.boolean = call.boolean;
    value.number = call.number;
    if (call.kind == ScriptValue::Kind::string || call.kind == ScriptValue::Kind::number) {
        duk_size_t length = 0;
        const char* text = duk_get_lstring(heap_->context, -1, &length);
        if (text != nullptr)
            value.text.assign(text, length);
    }
    duk_pop(heap_->context);
    return value;
}

void ScriptEngine::eval_discard(const Text& script) {
    const std::string source = text_to_script(script);
    Call call;
    call.source = source.data();
    call.length = source.size();
    heap_->run(evaluate_for_effect, call, 0);
}

void ScriptEngine::add_code(const Text& script) {
    const std::string source = text_to_script(script);
    Call call;
    call.source = source.data();
    call.length = source.size();
    heap_->run(run_program, call, 0);
}

bool ScriptEngine::load_json(const Text& name, const Text& json) {
    const std::string variable = text_to_script(name);
    Call call;
    call.name = variable.data();
    call.name_length = variable.size();
    {
        // Our copy of the text goes before the parse starts: a large reply is then held twice,
        // not three times, at the peak.
        const std::string source = text_to_script(json);
        call.source = source.data();
        call.length = source.size();
        if (!heap_->run(push_text, call, 1)) {
            duk_pop(heap_->context);
            return false;
        }
    }
    return heap_->run(decode_json, call, 0, 1);
}

}  // namespace kessaro

#include "json/script_engine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "duktape.h"
#include "json/engine_guard.h"
#include "json/script_value.h"

namespace seo {

struct ScriptEngine::Call {
    Kind kind = Kind::kDiscarded;
    const char* source = nullptr;  // UTF-8 statements, or
    const std::vector<unsigned char>* bytecode = nullptr;  // or
    void* function = nullptr;  // compiled before, kept alive by its heap
    bool refused = false;
    double number = 0;
    bool boolean = false;
    std::size_t size = 0;
};

namespace {

// Only reached by an engine fault outside any protected call; there is nothing to return to.
void EngineFatal(void*, const char* message) {
    std::fprintf(stderr, "script engine fault: %s\n", message != nullptr ? message : "");
    std::abort();
}

// The time allowed to read an error's message after a failed call (its toString is script).
constexpr std::chrono::milliseconds kMessageTimeLimit{100};

template <typename CallType, typename KindType>
duk_ret_t RunProtected(duk_context* context, void* udata) {
    auto* call = static_cast<CallType*>(udata);
    if (call->function != nullptr) {
        duk_push_heapptr(context, call->function);
    } else if (call->bytecode != nullptr) {
        void* buffer = duk_push_fixed_buffer(context, call->bytecode->size());
        std::memcpy(buffer, call->bytecode->data(), call->bytecode->size());
        duk_load_function(context);
    } else {
        // Global code, as the script host runs both AddCode and Eval.
        duk_compile_lstring(context, 0, call->source, call->size);
    }
    duk_call(context, 0);
    switch (call->kind) {
    case KindType::kDiscarded:
        duk_pop(context);
        duk_push_undefined(context);
        break;
    case KindType::kText:
        call->refused = !detail::ToTextResult(context);
        break;
    case KindType::kNumber:
        call->refused = !detail::ToNumberResult(context, &call->number);
        break;
    case KindType::kBool:
        call->refused = !detail::ToBoolResult(context, &call->boolean);
        break;
    }
    return 1;
}

struct JsonAssignCall {
    const char* name = nullptr;
    std::size_t nameSize = 0;
    const char* json = nullptr;
    std::size_t size = 0;
    bool decodedString = false;
};

duk_ret_t DecodeAndAssign(duk_context* context, void* udata) {
    auto* call = static_cast<JsonAssignCall*>(udata);
    duk_push_lstring(context, call->json, call->size);
    duk_json_decode(context, -1);
    if (duk_is_string(context, -1)) {
        // Evaluated as an expression, a string would be run again as script.
        call->decodedString = true;
        return 0;
    }
    duk_push_global_object(context);
    duk_insert(context, -2);
    duk_put_prop_lstring(context, -2, call->name, call->nameSize);
    return 0;
}

// Object and array answers are what the service sends; any other value is cheap to compile.
bool LooksLikeJsonStructure(const Text& text) {
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        return c == '{' || c == '[';
    }
    return false;
}

duk_ret_t RemoveEngineObject(duk_context* context, void*) {
    duk_push_global_object(context);
    duk_del_prop_string(context, -1, "Duktape");
    duk_pop(context);
    return 0;
}

duk_ret_t CompileToBytecode(duk_context* context, void* udata) {
    const auto* source = static_cast<const Text*>(udata);
    duk_compile_lstring(context, 0, source->data(), source->size());
    duk_dump_function(context);
    return 1;
}

// Shared code compiled once per process, by its code page 936 source.
class BytecodeCache {
public:
    const std::vector<unsigned char>* Find(const Text& source) {
        std::lock_guard lock(mutex_);
        auto found = entries_.find(source);
        if (found != entries_.end()) return &found->second;
        std::vector<unsigned char> bytecode;
        if (!Compile(detail::ToEngineText(source), bytecode)) return nullptr;
        return &entries_.emplace(source, std::move(bytecode)).first->second;
    }

private:
    static bool Compile(const Text& source, std::vector<unsigned char>& bytecode) {
        detail::EngineGuard guard;
        duk_context* context = duk_create_heap(detail::GuardedAlloc, detail::GuardedRealloc,
                                               detail::GuardedFree, &guard, EngineFatal);
        if (context == nullptr) return false;
        bool compiled = false;
        {
            detail::ActiveGuardScope active(guard);
            if (duk_safe_call(context, CompileToBytecode, const_cast<Text*>(&source), 0, 1) ==
                DUK_EXEC_SUCCESS) {
                duk_size_t size = 0;
                const auto* data = static_cast<const unsigned char*>(duk_get_buffer_data(context, -1, &size));
                if (data != nullptr) {
                    bytecode.assign(data, data + size);
                    compiled = true;
                }
            }
        }
        duk_destroy_heap(context);
        return compiled;
    }

    std::mutex mutex_;
    std::map<Text, std::vector<unsigned char>> entries_;
};

BytecodeCache& SharedBytecode() {
    static BytecodeCache cache;
    return cache;
}

// What a text does to an instance, read from the text alone.
enum class Effect {
    kRead,         // reads a plain member path: leaves the instance as it was
    kDeclaration,  // `var NAME={}` or `var NAME=null`: sets one variable anew
    kOther,        // anything else, which may change the instance in any way
};

bool IsIdentifierStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
}

bool IsIdentifierPart(char c) { return IsIdentifierStart(c) || (c >= '0' && c <= '9'); }

std::size_t IdentifierLength(std::string_view text) {
    if (text.empty() || !IsIdentifierStart(text[0])) return 0;
    std::size_t n = 1;
    while (n < text.size() && IsIdentifierPart(text[n])) ++n;
    return n;
}

// One of `names`, then any run of `.name` and `[digits]`. Member names may be reserved words
// after a dot; an index is decimal without a leading zero, so no legacy octal form slips in.
// Reading such a path runs no script of the instance's own: the values are data or built-ins.
bool IsPlainPath(std::string_view text, const std::vector<Text>& names) {
    const std::size_t first = IdentifierLength(text);
    if (first == 0) return false;
    const std::string_view head = text.substr(0, first);
    if (std::find(names.begin(), names.end(), head) == names.end()) return false;
    std::size_t i = first;
    while (i < text.size()) {
        if (text[i] == '.') {
            const std::size_t length = IdentifierLength(text.substr(i + 1));
            if (length == 0) return false;
            i += 1 + length;
        } else if (text[i] == '[') {
            std::size_t j = i + 1;
            while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
            const std::size_t digits = j - i - 1;
            if (digits == 0 || digits > 9 || (digits > 1 && text[i + 1] == '0')) return false;
            if (j >= text.size() || text[j] != ']') return false;
            i = j + 1;
        } else {
            return false;
        }
    }
    return true;
}

bool StripAffixes(std::string_view& text, std::string_view prefix, std::string_view suffix) {
    if (text.size() < prefix.size() + suffix.size()) return false;
    if (text.substr(0, prefix.size()) != prefix) return false;
    if (text.substr(text.size() - suffix.size()) != suffix) return false;
    text = text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
    return true;
}

// The forms the JSON document reads with; `JSON` is the built-in one while the instance is
// still as it started.
Effect EffectOf(std::string_view text, const std::vector<Text>& names) {
    struct Form {
        std::string_view prefix;
        std::string_view suffix;
    };
    static constexpr Form kReads[] = {
        {"", ""}, {"typeof (", ")"}, {"", "==null"}, {"", " !=null"}, {"null !=", ""}, {"JSON.stringify(", ")"},
    };
    for (const Form& form : kReads) {
        std::string_view path = text;
        if (StripAffixes(path, form.prefix, form.suffix) && IsPlainPath(path, names)) return Effect::kRead;
    }
    std::string_view name = text;
    if (StripAffixes(name, "var ", "={}") || StripAffixes(name, "var ", "=null")) {
        if (IdentifierLength(name) == name.size() && std::find(names.begin(), names.end(), name) != names.end()) {
            return Effect::kDeclaration;
        }
    }
    return Effect::kOther;
}

// The declared name of `var NAME={}` or `var NAME=null`, or nothing.
bool DeclaredName(std::string_view text, Text* name) {
    std::string_view rest = text;
    if (!StripAffixes(rest, "var ", "={}") && !StripAffixes(rest, "var ", "=null")) return false;
    if (rest.empty() || IdentifierLength(rest) != rest.size()) return false;
    name->assign(rest);
    return true;
}

// A heap that comes back holding more than this over what it held when new is collected,
// and destroyed if that does not bring it back: the pool keeps small heaps only.
constexpr std::size_t kPooledGrowth = 256 * 1024;
// Idle heaps a thread keeps: one per document alive at once in the flows, and one for the
// temporary document that taking a member out creates.
constexpr std::size_t kPoolSize = 2;
// Idle heaps that ended threads leave for threads that start later: a batch worker reads one
// answer and ends, so without these every worker would build a heap of its own.
constexpr std::size_t kSharedPoolSize = 16;
// Plain reads kept compiled per heap; others are compiled each time.
constexpr std::size_t kCompiledReads = 64;

}  // namespace

struct ScriptEngine::Heap {
    detail::EngineGuard guard;
    duk_context* context = nullptr;
    // What the heap started with, in order: the shared code, then the declared names.
    std::vector<const std::vector<unsigned char>*> shared;
    std::vector<Text> names;
    std::size_t memoryWhenNew = 0;
    // Plain reads and declarations compiled once, held in the heap's stash.
    std::unordered_map<Text, void*> compiled;

    ~Heap() {
        if (context == nullptr) return;
        guard.memoryLimit = 0;  // releasing must never be refused
        guard.Disarm();
        detail::ActiveGuardScope active(guard);
        duk_destroy_heap(context);
    }

    bool SameStart(const Heap& other) const { return shared == other.shared && names == other.names; }

    // Clears the declared variables, so that no value outlives its instance, and checks that
    // the heap is back to about its size when new.
    bool Settle() {
        guard.memoryLimit = 0;
        guard.Disarm();
        detail::ActiveGuardScope active(guard);
        for (const Text& name : names) {
            duk_push_undefined(context);
            duk_put_global_lstring(context, name.data(), name.size());
        }
        if (guard.memoryInUse <= memoryWhenNew + kPooledGrowth) return true;
        duk_gc(context, 0);
        return guard.memoryInUse <= memoryWhenNew + kPooledGrowth;
    }
};

namespace {

// Idle heaps left by threads that have ended. A heap is used by one thread at a time and holds
// no thread of its own, so any later thread can take it. Never destroyed: workers may still be
// ending while the process ends.
class SharedHeaps {
public:
    static SharedHeaps& Instance() {
        static auto* const shared = new SharedHeaps;
        return *shared;
    }

    std::size_t Size() {
        std::lock_guard lock(mutex_);
        return idle_.size();
    }

    std::unique_ptr<ScriptEngine::Heap> Take(const ScriptEngine::Heap& start) {
        std::lock_guard lock(mutex_);
        for (auto it = idle_.begin(); it != idle_.end(); ++it) {
            if (!(*it)->SameStart(start)) continue;
            std::unique_ptr<ScriptEngine::Heap> heap = std::move(*it);
            idle_.erase(it);
            return heap;
        }
        return nullptr;
    }

    // Takes a heap that has already settled; one that finds no room is destroyed by the caller.
    std::unique_ptr<ScriptEngine::Heap> Give(std::unique_ptr<ScriptEngine::Heap> heap) {
        std::lock_guard lock(mutex_);
        if (idle_.size() == kSharedPoolSize) return heap;
        idle_.push_back(std::move(heap));
        return nullptr;
    }

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<ScriptEngine::Heap>> idle_;
};

// Idle heaps of this thread, first in line for its next document. When the thread ends they
// go to the shared heaps.
class HeapPool {
public:
    ~HeapPool() {
        t_gone = true;
        for (auto& heap : idle_) SharedHeaps::Instance().Give(std::move(heap));
    }

    static HeapPool* ThisThread() {
        if (t_gone) return nullptr;  // the thread is ending
        thread_local HeapPool pool;
        return &pool;
    }

    std::unique_ptr<ScriptEngine::Heap> Take(const ScriptEngine::Heap& start) {
        for (auto it = idle_.begin(); it != idle_.end(); ++it) {
            if (!(*it)->SameStart(start)) continue;
            std::unique_ptr<ScriptEngine::Heap> heap = std::move(*it);
            idle_.erase(it);
            return heap;
        }
        return SharedHeaps::Instance().Take(start);
    }

    void Give(std::unique_ptr<ScriptEngine::Heap> heap) {
        if (!heap->Settle()) return;
        if (idle_.size() == kPoolSize) idle_.erase(idle_.begin());  // the oldest goes
        idle_.push_back(std::move(heap));
    }

    std::size_t Size() const { return idle_.size(); }

private:
    static thread_local bool t_gone;
    std::vector<std::unique_ptr<ScriptEngine::Heap>> idle_;
};

thread_local bool HeapPool::t_gone = false;

}  // namespace

ScriptEngine::ScriptEngine(const ScriptLimits& limits) : limits_(limits) {}

std::shared_ptr<ScriptEngine> ScriptEngine::Create(const ScriptLimits& limits) {
    return std::shared_ptr<ScriptEngine>(new ScriptEngine(limits));
}

std::size_t ScriptEngine::SharedIdleHeaps() { return SharedHeaps::Instance().Size(); }

std::size_t ScriptEngine::PooledOnThisThread() {
    HeapPool* pool = HeapPool::ThisThread();
    return pool != nullptr ? pool->Size() : 0;
}

bool ScriptEngine::Start() {
    if (started_) return context_ != nullptr;
    started_ = true;
    std::vector<Pending> pending = std::move(pending_);
    pending_.clear();

    // A start that can be shared: shared code first, then declarations of distinct names.
    auto start = std::make_unique<Heap>();
    bool shareable = true;
    for (const Pending& call : pending) {
        if (call.shared) {
            const std::vector<unsigned char>* bytecode =
                start->names.empty() ? SharedBytecode().Find(call.statements) : nullptr;
            if (bytecode == nullptr) shareable = false;
            start->shared.push_back(bytecode);
            continue;
        }
        Text name;
        if (!DeclaredName(call.statements, &name)) {
            shareable = false;
        } else if (std::find(start->names.begin(), start->names.end(), name) == start->names.end()) {
            start->names.push_back(name);
        }
    }

    HeapPool* pool = shareable ? HeapPool::ThisThread() : nullptr;
    if (pool != nullptr) heap_ = pool->Take(*start);
    if (heap_) {
        // The shared code already ran in it; only the declarations are made anew.
        context_ = heap_->context;
        heap_->guard.memoryLimit = limits_.memoryBytes;
        reusable_ = true;
        for (const Pending& call : pending) {
            if (!call.shared) RunDiscarded(call.statements, false);
        }
        return true;
    }

    heap_ = std::move(start);
    Heap& heap = *heap_;
    context_ = duk_create_heap(detail::GuardedAlloc, detail::GuardedRealloc, detail::GuardedFree, &heap.guard,
                               EngineFatal);
    if (context_ == nullptr) {
        heap_.reset();
        return false;
    }
    heap.context = context_;
    {
        detail::ActiveGuardScope active(heap.guard);
        if (duk_safe_call(context_, RemoveEngineObject, nullptr, 0, 0) != DUK_EXEC_SUCCESS) {
            heap_.reset();
            context_ = nullptr;
            return false;
        }
    }
    heap.guard.memoryLimit = limits_.memoryBytes;
    reusable_ = shareable;
    for (const Pending& call : pending) RunDiscarded(call.statements, call.shared);
    heap.memoryWhenNew = heap.guard.memoryInUse;
    return true;
}

ScriptEngine::~ScriptEngine() {
    if (!heap_) return;
    HeapPool* pool = reusable_ ? HeapPool::ThisThread() : nullptr;
    if (pool != nullptr) pool->Give(std::move(heap_));
    heap_.reset();
}

bool ScriptEngine::SetLanguage(const Text& language) {
    return language == "JavaScript" || language == "JScript";
}

namespace {

// Keeps the function a plain read or declaration compiled to, for the next call of the same text.
duk_ret_t KeepCompiled(duk_context* context, void* udata) {
    auto* index = static_cast<duk_uarridx_t*>(udata);
    duk_push_global_stash(context);
    duk_dup(context, 0);
    duk_put_prop_index(context, -2, *index);
    return 0;
}

duk_ret_t CompileOnly(duk_context* context, void* udata) {
    const auto* source = static_cast<const Text*>(udata);
    duk_compile_lstring(context, 0, source->data(), source->size());
    return 1;
}

}  // namespace

void* ScriptEngine::CompiledOnce(const Text& utf8) {
    Heap& heap = *heap_;
    auto found = heap.compiled.find(utf8);
    if (found != heap.compiled.end()) return found->second;
    if (heap.compiled.size() >= kCompiledReads) return nullptr;
    detail::ActiveGuardScope active(heap.guard);
    heap.guard.Arm(limits_.timePerCall);
    void* function = nullptr;
    if (duk_safe_call(context_, CompileOnly, const_cast<Text*>(&utf8), 0, 1) == DUK_EXEC_SUCCESS) {
        function = duk_get_heapptr(context_, -1);
        auto index = static_cast<duk_uarridx_t>(heap.compiled.size());
        if (duk_safe_call(context_, KeepCompiled, &index, 1, 1) == DUK_EXEC_SUCCESS) {
            heap.compiled.emplace(utf8, function);
        } else {
            function = nullptr;  // not kept: compiled again by the call itself
        }
    }
    duk_pop(context_);
    heap.guard.Disarm();
    return function;
}

bool ScriptEngine::Run(Call& call, const Text& utf8) {
    Heap& heap = *heap_;
    // What runs in the instance decides whether it can be reused; plain reads and
    // declarations are the same text each time, so they are compiled once.
    if (call.bytecode == nullptr) {
        const Effect effect = EffectOf(utf8, heap.names);
        if (effect == Effect::kOther) {
            reusable_ = false;
        } else {
            call.function = CompiledOnce(utf8);
        }
    }
    detail::ActiveGuardScope active(heap.guard);
    heap.guard.Arm(limits_.timePerCall);
    const duk_int_t status = duk_safe_call(context_, RunProtected<Call, Kind>, &call, 0, 1);
    if (status == DUK_EXEC_SUCCESS && !call.refused) {
        heap.guard.Disarm();
        lastFailure_ = ScriptFailure::kNone;
        return true;
    }
    RecordFailure(status == DUK_EXEC_SUCCESS);
    // A call stopped by a limit may have left anything half done.
    if (lastFailure_ != ScriptFailure::kScriptError && lastFailure_ != ScriptFailure::kRefused) reusable_ = false;
    if (call.bytecode != nullptr) reusable_ = false;  // shared code that failed is not the usual start
    return false;
}

void ScriptEngine::RecordFailure(bool refused) {
    detail::EngineGuard& guard = heap_->guard;
    if (guard.timeLimitHit) {
        lastFailure_ = ScriptFailure::kTimeLimit;
        ++failureCounts_.timeLimit;
    } else if (guard.memoryLimitHit) {
        lastFailure_ = ScriptFailure::kMemoryLimit;
        ++failureCounts_.memoryLimit;
    } else if (guard.stackLimitHit) {
        lastFailure_ = ScriptFailure::kStackLimit;
        ++failureCounts_.stackLimit;
    } else if (refused) {
        lastFailure_ = ScriptFailure::kRefused;
        ++failureCounts_.refused;
    } else {
        lastFailure_ = ScriptFailure::kScriptError;
        ++failureCounts_.scriptError;
    }
    lastErrorMessage_.clear();
    if (!refused) {
        // The thrown value may be anything a hostile text built, so even its message is read
        // under a (short) limit of its own.
        guard.Arm(kMessageTimeLimit);
        duk_size_t size = 0;
        const char* message = duk_safe_to_lstring(context_, -1, &size);
        if (message != nullptr) lastErrorMessage_.assign(message, size);
    }
    guard.Disarm();
}

void ScriptEngine::AddCode(const Text& statements) { Eval(statements); }

void ScriptEngine::AddSharedCode(const Text& statements) {
    if (!started_) {
        pending_.push_back({statements, true});
        return;
    }
    RunDiscarded(statements, true);
}

void ScriptEngine::Eval(const Text& source) {
    if (!started_) {
        pending_.push_back({source, false});
        return;
    }
    RunDiscarded(source, false);
}

void ScriptEngine::RunDiscarded(const Text& statements, bool shared) {
    if (context_ == nullptr) return;
    Call call;
    if (shared) call.bytecode = SharedBytecode().Find(statements);
    // Shared code that loads as bytecode needs no source.
    const Text utf8 = call.bytecode != nullptr ? Text() : detail::ToEngineText(statements);
    call.source = utf8.data();
    call.size = utf8.size();
    Run(call, utf8);  // without bytecode (it did not compile) the instance reports the error itself
    duk_pop(context_);
}

Text ScriptEngine::EvalText(const Text& source) {
    if (!Start()) return Text();
    const Text utf8 = detail::ToEngineText(source);
    Call call;
    call.kind = Kind::kText;
    call.source = utf8.data();
    call.size = utf8.size();
    Text result;
    if (Run(call, utf8) && duk_is_string(context_, -1)) {
        duk_size_t size = 0;
        const char* data = duk_get_lstring(context_, -1, &size);
        result = detail::FromEngineText(data, size);
    }
    duk_pop(context_);
    return result;
}

double ScriptEngine::EvalNumber(const Text& source) {
    if (!Start()) return 0.0;
    const Text utf8 = detail::ToEngineText(source);
    Call call;
    call.kind = Kind::kNumber;
    call.source = utf8.data();
    call.size = utf8.size();
    const bool ok = Run(call, utf8);
    duk_pop(context_);
    return ok ? call.number : 0.0;
}

bool ScriptEngine::EvalBool(const Text& source) {
    if (!Start()) return false;
    const Text utf8 = detail::ToEngineText(source);
    Call call;
    call.kind = Kind::kBool;
    call.source = utf8.data();
    call.size = utf8.size();
    const bool ok = Run(call, utf8);
    duk_pop(context_);
    return ok && call.boolean;
}

ScriptEngine::JsonAssignment ScriptEngine::AssignPlainJson(const Text& name, const Text& json) {
    if (!LooksLikeJsonStructure(json)) return JsonAssignment::kNotPlainJson;
    if (!Start()) return JsonAssignment::kFailed;
    const Text utf8 = detail::ToEngineText(json);
    const Text utf8Name = detail::ToEngineText(name);
    Heap& heap = *heap_;
    // Data under a declared name is what a reused heap may hold; anything else is not.
    if (std::find(heap.names.begin(), heap.names.end(), utf8Name) == heap.names.end()) reusable_ = false;
    JsonAssignCall call;
    call.name = utf8Name.data();
    call.nameSize = utf8Name.size();
    call.json = utf8.data();
    call.size = utf8.size();
    detail::ActiveGuardScope active(heap.guard);
    heap.guard.Arm(limits_.timePerCall);
    const duk_int_t status = duk_safe_call(context_, DecodeAndAssign, &call, 0, 1);
    const bool stopped = heap.guard.timeLimitHit || heap.guard.memoryLimitHit || heap.guard.stackLimitHit;
    if (status == DUK_EXEC_SUCCESS || !stopped) {
        heap.guard.Disarm();
        duk_pop(context_);
        if (status != DUK_EXEC_SUCCESS || call.decodedString) return JsonAssignment::kNotPlainJson;
        lastFailure_ = ScriptFailure::kNone;
        return JsonAssignment::kAssigned;
    }
    // Stopped by a limit: evaluating it as script would only hit the same limit again.
    reusable_ = false;
    RecordFailure(false);
    duk_pop(context_);
    return JsonAssignment::kFailed;
}

std::size_t ScriptEngine::MemoryInUse() const { return heap_ ? heap_->guard.memoryInUse : 0; }

}  // namespace seo

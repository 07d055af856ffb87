#include "json/script_engine.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "duktape.h"
#include "json/engine_guard.h"
#include "json/script_value.h"

namespace seo {

struct ScriptEngine::Guard : detail::EngineGuard {};

struct ScriptEngine::Call {
    Kind kind = Kind::kDiscarded;
    const char* source = nullptr;  // UTF-8 statements, or
    const std::vector<unsigned char>* bytecode = nullptr;
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
    if (call->bytecode != nullptr) {
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

// Shared code compiled once per process, by its UTF-8 source.
class BytecodeCache {
public:
    const std::vector<unsigned char>* Find(const Text& source) {
        std::lock_guard lock(mutex_);
        auto found = entries_.find(source);
        if (found != entries_.end()) return &found->second;
        std::vector<unsigned char> bytecode;
        if (!Compile(source, bytecode)) return nullptr;
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

}  // namespace

ScriptEngine::ScriptEngine(const ScriptLimits& limits)
    : limits_(limits), guard_(std::make_unique<Guard>()) {}

std::shared_ptr<ScriptEngine> ScriptEngine::Create(const ScriptLimits& limits) {
    return std::shared_ptr<ScriptEngine>(new ScriptEngine(limits));
}

bool ScriptEngine::Start() {
    if (started_) return context_ != nullptr;
    started_ = true;
    Guard& guard = *guard_;
    context_ = duk_create_heap(detail::GuardedAlloc, detail::GuardedRealloc, detail::GuardedFree, &guard,
                               EngineFatal);
    if (context_ == nullptr) return false;
    {
        detail::ActiveGuardScope active(guard);
        if (duk_safe_call(context_, RemoveEngineObject, nullptr, 0, 0) != DUK_EXEC_SUCCESS) {
            duk_destroy_heap(context_);
            context_ = nullptr;
            return false;
        }
    }
    guard.memoryLimit = limits_.memoryBytes;
    std::vector<Pending> pending = std::move(pending_);
    pending_.clear();
    for (const Pending& call : pending) RunDiscarded(call.statements, call.shared);
    return true;
}

ScriptEngine::~ScriptEngine() {
    if (context_ != nullptr) {
        guard_->memoryLimit = 0;  // releasing must never be refused
        detail::ActiveGuardScope active(*guard_);
        duk_destroy_heap(context_);
    }
}

bool ScriptEngine::SetLanguage(const Text& language) {
    return language == "JavaScript" || language == "JScript";
}

bool ScriptEngine::Run(Call& call) {
    detail::ActiveGuardScope active(*guard_);
    guard_->Arm(limits_.timePerCall);
    const duk_int_t status = duk_safe_call(context_, RunProtected<Call, Kind>, &call, 0, 1);
    if (status == DUK_EXEC_SUCCESS && !call.refused) {
        guard_->Disarm();
        lastFailure_ = ScriptFailure::kNone;
        return true;
    }
    RecordFailure(status == DUK_EXEC_SUCCESS);
    return false;
}

void ScriptEngine::RecordFailure(bool refused) {
    Guard& guard = *guard_;
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
    const Text utf8 = detail::ToEngineText(statements);
    Call call;
    if (shared) call.bytecode = SharedBytecode().Find(utf8);
    call.source = utf8.data();
    call.size = utf8.size();
    Run(call);  // without bytecode (it did not compile) the instance reports the error itself
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
    if (Run(call) && duk_is_string(context_, -1)) {
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
    const bool ok = Run(call);
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
    const bool ok = Run(call);
    duk_pop(context_);
    return ok && call.boolean;
}

ScriptEngine::JsonAssignment ScriptEngine::AssignPlainJson(const Text& name, const Text& json) {
    if (!LooksLikeJsonStructure(json)) return JsonAssignment::kNotPlainJson;
    if (!Start()) return JsonAssignment::kFailed;
    const Text utf8 = detail::ToEngineText(json);
    const Text utf8Name = detail::ToEngineText(name);
    JsonAssignCall call;
    call.name = utf8Name.data();
    call.nameSize = utf8Name.size();
    call.json = utf8.data();
    call.size = utf8.size();
    detail::ActiveGuardScope active(*guard_);
    guard_->Arm(limits_.timePerCall);
    const duk_int_t status = duk_safe_call(context_, DecodeAndAssign, &call, 0, 1);
    const bool stopped = guard_->timeLimitHit || guard_->memoryLimitHit || guard_->stackLimitHit;
    if (status == DUK_EXEC_SUCCESS || !stopped) {
        guard_->Disarm();
        duk_pop(context_);
        if (status != DUK_EXEC_SUCCESS || call.decodedString) return JsonAssignment::kNotPlainJson;
        lastFailure_ = ScriptFailure::kNone;
        return JsonAssignment::kAssigned;
    }
    // Stopped by a limit: evaluating it as script would only hit the same limit again.
    RecordFailure(false);
    duk_pop(context_);
    return JsonAssignment::kFailed;
}

std::size_t ScriptEngine::MemoryInUse() const { return guard_->memoryInUse; }

}  // namespace seo

#pragma once
// One contained JavaScript engine instance with one global scope: the five operations a JSON
// document needs (create, select the language, AddCode, Eval, release) and the four kinds of
// result (discarded, text, number, bool).
//
// Containment. The instance has no way out: no module loader, no printing, no file, network,
// process or timer binding, and the engine's own "Duktape" object (finalisers, error hooks)
// is removed before any code runs. Every AddCode and Eval runs under a time limit, and the
// instance under a memory cap. Built-ins that loop in native code are stopped as well: the
// deadline is also checked on every native call, parser recursion and regular-expression
// backtracking step, and on allocation. A call stopped by a limit fails like any script error.
//
// Stack. The engine recurses on the native stack for nested literals, calls and regular
// expressions; it stops itself before the thread's stack runs out, but threads that run
// engines need stacks of at least kScriptThreadStackBytes to parse service answers of
// ordinary depth.
//
// Text crosses in code page 936: converted to UTF-8 going in and back to code page 936 coming
// out. A character beyond the Basic Multilingual Plane comes back as one "?".
//
// An instance is used by one thread at a time; instances on different threads are independent.
//
// Reuse. Starting a heap and loading shared code into it costs many times what reading an
// answer does, so an instance that provably holds nothing but its starting state and plain
// data goes back to a small pool of its thread when it ends, and the next instance with the
// same start takes it, its declared variables set anew. Provably: only shared code, the
// declarations `var NAME={}` and `var NAME=null` of the names it started with, plain JSON
// assigned by AssignPlainJson and reads by plain member paths (identifiers, dots and
// decimal indexes, checked as text) have run in it, and no call hit a limit. Anything else
// marks the instance as used, and it is destroyed when it ends. Failure counts, the last
// failure and the limits belong to the instance, never to the heap, so they start afresh.
#include <chrono>
#include <cstddef>
#include <memory>
#include <vector>

#include "text/types.h"

struct duk_hthread;

namespace seo {

inline constexpr std::size_t kScriptThreadStackBytes = 2 * 1024 * 1024;

struct ScriptLimits {
    // Long enough for a 20 MB answer on a slow machine, short enough that a hostile answer
    // holds its thread only a few seconds.
    std::chrono::milliseconds timePerCall{3000};
    // Set once the heap exists (a fresh heap takes about 100 KB); a 20 MB answer needs about
    // five times its size while it is decoded.
    std::size_t memoryBytes = std::size_t{256} * 1024 * 1024;
};

// Why the last call failed.
enum class ScriptFailure {
    kNone,
    kScriptError,  // the code threw, or did not compile
    kRefused,      // the result has no value of the kind asked for
    kTimeLimit,
    kMemoryLimit,
    kStackLimit,
};

struct ScriptFailureCounts {
    int scriptError = 0;
    int refused = 0;
    int timeLimit = 0;
    int memoryLimit = 0;
    int stackLimit = 0;
};

class ScriptEngine {
public:
    // The instance itself starts with the first call whose result is asked for: calls with
    // discarded results wait until then, in order, so an instance that is replaced before it
    // is read (as Parse replaces the one Create made) costs nothing. An instance that cannot
    // start fails every call.
    static std::shared_ptr<ScriptEngine> Create(const ScriptLimits& limits = ScriptLimits());
    ~ScriptEngine();
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

    // Only "JavaScript" (or its alias "JScript") is offered.
    bool SetLanguage(const Text& language);

    // Runs statements at the global scope; what ran before an error stays.
    void AddCode(const Text& statements);
    // The same for code that many instances load: compiled once per process, then loaded
    // into each instance as bytecode.
    void AddSharedCode(const Text& statements);

    // Evaluates at the global scope. The conversions of the results:
    // - text: a string gives its characters (up to a U+0000, as the texts are NUL-terminated);
    //   undefined, null and a failed call give the empty text; a number, boolean or object
    //   gives the engine's own ToString.
    // - number: a number gives its value, NaN included; undefined, null and a failed call
    //   give 0; true gives -1 and false 0 (the automation coercion's VARIANT_TRUE); a string
    //   must read as a decimal number (spaces around it allowed) or is refused; an object
    //   gives its primitive value, converted by these rules.
    // - bool: a boolean gives its value; undefined gives false; null is refused; a number is
    //   true unless zero (so NaN is true); a string must read "true" or "false" in any case,
    //   or as a number; an object gives its primitive value, converted by these rules.
    // A refused conversion counts as a failed call.
    void Eval(const Text& source);
    Text EvalText(const Text& source);
    double EvalNumber(const Text& source);
    bool EvalBool(const Text& source);

    // Sets the global variable `name` (which must already exist) to the value of `json`
    // when it is plain JSON text whose value is not a string, without compiling it as
    // script; what evaluating the text as an expression gives is then the same.
    enum class JsonAssignment { kAssigned, kNotPlainJson, kFailed };
    JsonAssignment AssignPlainJson(const Text& name, const Text& json);

    // Whether this instance's heap will go back to its thread's pool when it ends (and, when the
    // thread ends, to the heaps shared with later threads).
    bool Reusable() const { return started_ && reusable_; }
    // How many idle heaps the calling thread's pool holds.
    static std::size_t PooledOnThisThread();
    // How many idle heaps ended threads have left for later ones.
    static std::size_t SharedIdleHeaps();

    ScriptFailure LastFailure() const { return lastFailure_; }
    const ScriptFailureCounts& FailureCounts() const { return failureCounts_; }
    // The message of the last script error, UTF-8, for diagnosis.
    const Text& LastErrorMessage() const { return lastErrorMessage_; }
    std::size_t MemoryInUse() const;
    const ScriptLimits& Limits() const { return limits_; }

    struct Heap;  // a started engine heap with its guard; pooled between instances

private:
    ScriptEngine(const ScriptLimits& limits);
    enum class Kind { kDiscarded, kText, kNumber, kBool };
    struct Call;
    bool Start();
    bool Run(Call& call, const Text& utf8);
    void* CompiledOnce(const Text& utf8);
    void RunDiscarded(const Text& statements, bool shared);
    void RecordFailure(bool refused);

    ScriptLimits limits_;
    std::unique_ptr<Heap> heap_;
    duk_hthread* context_ = nullptr;
    bool started_ = false;
    bool reusable_ = false;
    struct Pending {
        Text statements;
        bool shared;
    };
    std::vector<Pending> pending_;
    ScriptFailure lastFailure_ = ScriptFailure::kNone;
    ScriptFailureCounts failureCounts_;
    Text lastErrorMessage_;
};

}  // namespace seo

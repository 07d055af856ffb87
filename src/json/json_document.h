#pragma once
// A JSON value held in a script engine instance of its own, as the value of a global variable,
// and read or changed by evaluating short expressions built from that variable's name and the
// caller's paths. Paths and values are spliced in as script, unquoted.
//
// Failures are values: a read that fails gives the empty value of its kind (empty text, 0,
// false, JsonType::kOther), a change that fails changes nothing.
//
// Threads: a document, its copies and the documents taken out of it are used by the thread
// that created them. Threads that run documents need stacks of at least
// kScriptThreadStackBytes (2 MiB; the engine recurses on the native stack for nested
// answers), so start them with pthread attributes or a thread class that sets the size.
// The limits of ScriptLimits (time per call, memory per instance) hold for every engine a
// document creates.
#include <memory>

#include "json/script_engine.h"
#include "text/text_array.h"
#include "text/types.h"

namespace seo {

enum class JsonType : int {
    kNull = 0,  // null or undefined, as for a missing member
    kNumber = 2,
    kObject = 4,
    kArray = 5,
    kString = 6,
    kOther = -1,  // boolean, function, or an expression that failed
};

class JsonDocument {
public:
    // The construction step: the variable named "da", an engine holding {}.
    static JsonDocument Create(const ScriptLimits& limits = ScriptLimits());

    // A document with no name and no engine; Create is what makes a usable one.
    JsonDocument() = default;

    // The operations, in the order of the method table.
    void Destroy();
    JsonDocument Copy() const;
    void Init();
    bool Parse(const Text& text);
    Text ToJson();
    void SetMember(const Text& path, const Text& value, bool json = false);
    void SetMemberJson(const Text& path, const Text& jsonText);
    void SetMemberNumber(const Text& path, double number);
    double GetNumber(const Text& path);
    Text GetMemberJson(const Text& path);
    Text GetText(const Text& path, bool stringify = false);
    JsonDocument GetDocument(const Text& path);
    int Count(const Text& path = Text());
    void Push(const Text& value, const Text& path = Text(), bool raw = false);
    JsonDocument GetElementDocument(int index, const Text& path = Text());
    Text GetElementText(int index, const Text& path = Text(), bool stringify = false);
    void SetElement(int index, const Text& value, bool raw = false);
    void RemoveElement(int index);
    void DeleteMember(const Text& path);
    void Reset(JsonType type);
    void SetValue(const Text& value, bool raw = false);
    bool HasMember(const Text& path);
    int GetKeys(TextArray& keys, const Text& path = Text());
    JsonType TypeOf(const Text& path = Text());
    void Clear();

    // The four ways a path becomes a member expression.
    Text DotJoin(const Text& path) const;
    Text BracketJoin(const Text& path) const;
    Text OptionalPathJoin(const Text& path) const;
    Text OptionalBracketJoin(const Text& path) const;

    Text variableName;
    // Shared by the copies of this document; the instance ends with its last holder.
    std::shared_ptr<ScriptEngine> engine;

private:
    void Run(const Text& statements);
    Text EvalText(const Text& source);
    double EvalNumber(const Text& source);
    bool EvalBool(const Text& source);
    JsonDocument DocumentFromJson(const Text& jsonText);

    ScriptLimits limits_;
};

}  // namespace seo

// Lifecycle, Parse and the read operations.
#include "json/json_document.h"

#include "json/json_prelude.h"
#include "text/text_ops.h"

namespace seo {

JsonDocument JsonDocument::Create(const ScriptLimits& limits) {
    JsonDocument document;
    document.limits_ = limits;
    document.variableName = "da";
    document.Init();
    return document;
}

void JsonDocument::Destroy() {
    engine.reset();
    variableName.clear();
}

JsonDocument JsonDocument::Copy() const {
    JsonDocument copy;
    copy.variableName = variableName;
    copy.engine = engine;
    copy.limits_ = limits_;
    return copy;
}

void JsonDocument::Init() {
    engine = ScriptEngine::Create(limits_);
    if (!engine) return;
    engine->SetLanguage("JavaScript");
    // The prelude is the same text for every instance: compiled once, loaded as bytecode.
    engine->AddSharedCode(JsonPrelude);
    engine->Eval("var " + variableName + "={}");
}

bool JsonDocument::Parse(const Text& text) {
    if (engine) {
        engine.reset();
        Init();
    }
    if (!engine) return false;
    engine->Eval("var " + variableName + "=null");
    // Plain JSON is decoded without compiling it; anything else is evaluated as written.
    if (engine->AssignPlainJson(variableName, text) == ScriptEngine::JsonAssignment::kNotPlainJson) {
        engine->AddCode("var " + variableName + "=eval(" + text + ")");
    }
    return engine->EvalBool("null !=" + variableName);
}

Text JsonDocument::ToJson() { return EvalText("JSON.stringify(" + variableName + ")"); }

double JsonDocument::GetNumber(const Text& path) { return EvalNumber(DotJoin(path)); }

Text JsonDocument::GetMemberJson(const Text& path) {
    return EvalText("JSON.stringify(" + DotJoin(path) + ")");
}

Text JsonDocument::GetText(const Text& path, bool stringify) {
    if (stringify) return EvalText("JSON.stringify(" + BracketJoin(path) + ")");
    if (!engine) return Text();
    // Non-finite numbers read as script writes them: "NaN", "Infinity", "-Infinity".
    if (TypeOf(path) == JsonType::kNumber) return NumberToText(GetNumber(path));
    return EvalText(BracketJoin(path));
}

bool JsonDocument::HasMember(const Text& path) { return EvalBool(DotJoin(path) + " !=null"); }

JsonType JsonDocument::TypeOf(const Text& path) {
    const Text member = OptionalPathJoin(path);
    if (EvalBool(member + "==null")) return JsonType::kNull;
    const Text type = EvalText("typeof (" + member + ")");
    if (type == "string") return JsonType::kString;
    if (type == "number") return JsonType::kNumber;
    if (type != "object") return JsonType::kOther;
    // The whole value's JSON text is read through the variable itself, so that an array held
    // as the whole value reads as an array (the bracket join of an empty path is not script).
    const Text json = path.empty() ? ToJson() : GetText(path, true);
    return !json.empty() && json[0] == '[' ? JsonType::kArray : JsonType::kObject;
}

Text JsonDocument::DotJoin(const Text& path) const { return variableName + "." + path; }

Text JsonDocument::BracketJoin(const Text& path) const {
    if (!path.empty() && path[0] == '[') return variableName + path;
    return variableName + "." + path;
}

Text JsonDocument::OptionalPathJoin(const Text& path) const {
    return path.empty() ? variableName : DotJoin(path);
}

Text JsonDocument::OptionalBracketJoin(const Text& path) const {
    return path.empty() ? variableName : BracketJoin(path);
}

void JsonDocument::Run(const Text& statements) {
    if (engine) engine->Eval(statements);
}

Text JsonDocument::EvalText(const Text& source) { return engine ? engine->EvalText(source) : Text(); }

double JsonDocument::EvalNumber(const Text& source) { return engine ? engine->EvalNumber(source) : 0.0; }

bool JsonDocument::EvalBool(const Text& source) { return engine ? engine->EvalBool(source) : false; }

}  // namespace seo

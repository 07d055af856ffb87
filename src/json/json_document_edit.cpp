// The operations that change the value, count and list members, reach elements by index and
// take a member or an element out as a document of its own.
#include "json/json_document.h"
#include "text/text_ops.h"

namespace seo {
namespace {

Text Quote(bool raw) { return raw ? Text() : Text("'"); }

}  // namespace

void JsonDocument::SetMember(const Text& path, const Text& value, bool json) {
    if (json) {
        Run(DotJoin(path) + "= eval(" + (value.empty() ? Text("{}") : value) + ")");
    } else {
        Run(DotJoin(path) + "='" + value + "'");
    }
}

void JsonDocument::SetMemberJson(const Text& path, const Text& jsonText) {
    Run(DotJoin(path) + "= eval(" + jsonText + ")");
}

void JsonDocument::SetMemberNumber(const Text& path, double number) {
    Run(DotJoin(path) + "=" + NumberToText(number));
}

JsonDocument JsonDocument::GetDocument(const Text& path) {
    return DocumentFromJson(EvalText("JSON.stringify(" + BracketJoin(path) + ")"));
}

JsonDocument JsonDocument::DocumentFromJson(const Text& jsonText) {
    JsonDocument temporary = Create(limits_);
    temporary.Parse(jsonText);
    JsonDocument copy = temporary.Copy();
    temporary.Destroy();
    return copy;
}

int JsonDocument::Count(const Text& path) {
    return ToInteger(EvalNumber("get__count(" + OptionalBracketJoin(path) + ")"));
}

void JsonDocument::Push(const Text& value, const Text& path, bool raw) {
    const Text target = OptionalPathJoin(path);
    const Text q = Quote(raw);
    Run("if (Object.prototype.toString.call(" + target + ") != '[object Array]') { " + target +
        "=new Array();} " + target + ".push(" + q + value + q + ")");
}

JsonDocument JsonDocument::GetElementDocument(int index, const Text& path) {
    return DocumentFromJson(
        EvalText("JSON.stringify(" + OptionalPathJoin(path) + "[" + NumberToText(index) + "])"));
}

Text JsonDocument::GetElementText(int index, const Text& path, bool stringify) {
    const Text element = OptionalPathJoin(path) + "[" + NumberToText(index) + "]";
    return EvalText(stringify ? "JSON.stringify(" + element + ")" : element);
}

void JsonDocument::SetElement(int index, const Text& value, bool raw) {
    const Text q = Quote(raw);
    Run(variableName + "[" + NumberToText(index) + "]=" + q + value + q);
}

void JsonDocument::RemoveElement(int index) {
    Run(variableName + ".splice(" + NumberToText(index) + ",1)");
}

void JsonDocument::DeleteMember(const Text& path) { EvalText("delete " + DotJoin(path)); }

void JsonDocument::Reset(JsonType type) {
    if (type == JsonType::kNull || type == JsonType::kObject) {
        EvalNumber("var " + variableName + "={}");
    } else if (type == JsonType::kArray) {
        EvalNumber("var " + variableName + "=new Array()");
    }
}

void JsonDocument::SetValue(const Text& value, bool raw) {
    const Text q = Quote(raw);
    EvalBool(variableName + "=" + q + value + q);
}

int JsonDocument::GetKeys(TextArray& keys, const Text& path) {
    Text list = EvalText("var ary=''; for (var key in " + OptionalPathJoin(path) + ") {ary=ary+ key+','; }");
    list = Replace(list, "toJSONString,", Text(), 1, 0, true);
    list = Replace(list, "parseJSON,", Text(), 1, 0, true);
    Run("ary=null");
    keys = Split(list, ",");
    return keys.Count();
}

void JsonDocument::Clear() { Run(variableName + "={}"); }

}  // namespace seo

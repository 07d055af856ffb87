// Editing, counting, enumeration and sub-documents.
#include <gtest/gtest.h>

#include "json/json_document.h"

namespace seo {
namespace {

JsonDocument Holding(const Text& json) {
    JsonDocument document = JsonDocument::Create();
    EXPECT_TRUE(document.Parse(json)) << json;
    return document;
}

TEST(JsonDocumentPush, AppendsAndReplacesWhatIsNotAnArray) {
    JsonDocument document = JsonDocument::Create();
    document.Push("a", "list");
    EXPECT_EQ(document.ToJson(), R"({"list":["a"]})");
    document.Push("b", "list");
    EXPECT_EQ(document.ToJson(), R"({"list":["a","b"]})");
    document.Push("1", "n", true);
    document.Push("1", "s");
    EXPECT_EQ(document.ToJson(), R"({"list":["a","b"],"n":[1],"s":["1"]})");
    document.Push("x");  // the whole value is an object: it becomes a one-element array
    EXPECT_EQ(document.ToJson(), R"(["x"])");
}

TEST(JsonDocumentSetMember, QuotedJsonAndNumberForms) {
    JsonDocument document = JsonDocument::Create();
    document.SetMember("x", "", true);
    EXPECT_EQ(document.ToJson(), R"({"x":{}})");
    document.SetMember("y", "it's");  // a quote makes the text invalid: nothing changes
    EXPECT_EQ(document.ToJson(), R"({"x":{}})");
    document.SetMember("y", "a\\tb");  // backslash sequences are string escapes
    EXPECT_EQ(document.GetText("y"), "a\tb");
    document.SetMember("z", "[1,{\"k\":2}]", true);
    document.SetMemberJson("w", "{\"k\":true}");
    EXPECT_EQ(document.GetMemberJson("z"), R"([1,{"k":2}])");
    EXPECT_EQ(document.GetMemberJson("w"), R"({"k":true})");

    document.Clear();
    document.SetMemberNumber("n", 1e21);
    EXPECT_EQ(document.GetNumber("n"), 1e21);
    EXPECT_EQ(document.ToJson(), R"({"n":1e+21})");
    document.SetMemberNumber("third", 1.0 / 3);
    EXPECT_EQ(document.GetText("third"), "0.3333333333333");
}

struct CountCase {
    const char* json;
    const char* path;
    int count;
};
constexpr CountCase kCounts[] = {
    {R"({"a":1,"b":2})", "", 2},
    {"[1,2,3]", "", 3},
    {"[[1,2]]", "[0]", 2},
    {R"({"a":{"x":1,"y":2,"z":3}})", "a", 3},
    {"{}", "", 0},
    {R"({"s":"abc"})", "s", 3},        // a string counts its characters
    {R"({"a":1})", "missing", -2},     // for-in visits nothing on undefined
    {R"({"a":null})", "a", -2},
    {"{}", "no such path(", 0},        // a failed call
};

TEST(JsonDocumentCount, OwnMembersAndElements) {
    for (const auto& c : kCounts) {
        SCOPED_TRACE(Text(c.json) + " " + c.path);
        EXPECT_EQ(Holding(c.json).Count(c.path), c.count);
    }
}

struct KeysCase {
    const char* json;
    const char* path;
    std::vector<Text> keys;
};
const KeysCase kKeys[] = {
    {R"({"a":1,"b":2})", "", {"a", "b"}},
    {"[7,8]", "", {"0", "1"}},
    {"{}", "", {}},
    {R"({"toJSONString":1,"parseJSON":2,"c":3})", "", {"c"}},
    {R"({"a,b":1})", "", {"a", "b"}},
    {R"({"o":{"x":1,"y":2}})", "o", {"x", "y"}},
    {R"({"a":1})", "(", {}},
};

TEST(JsonDocumentGetKeys, ListsOwnNamesWithoutThePreludeHelpers) {
    for (const auto& c : kKeys) {
        SCOPED_TRACE(Text(c.json) + " " + c.path);
        JsonDocument document = Holding(c.json);
        TextArray keys({"stale"});
        EXPECT_EQ(document.GetKeys(keys, c.path), static_cast<int>(c.keys.size()));
        EXPECT_EQ(keys.Items(), c.keys);
        EXPECT_EQ(document.engine->EvalText("ary"), "");  // the list text does not stay
    }
}

TEST(JsonDocumentElements, SetRemoveAndRead) {
    JsonDocument document = Holding("[1,2,3]");
    document.RemoveElement(0);
    EXPECT_EQ(document.ToJson(), "[2,3]");

    document = Holding("[1,2]");
    document.SetElement(1, "x");
    EXPECT_EQ(document.ToJson(), R"([1,"x"])");
    document.SetElement(0, "{\"k\":1}", true);
    EXPECT_EQ(document.ToJson(), R"([{"k":1},"x"])");

    document = Holding(R"({"list":["x",{"k":1}]})");
    EXPECT_EQ(document.GetElementText(0, "list"), "x");
    EXPECT_EQ(document.GetElementText(0, "list", true), "\"x\"");
    EXPECT_EQ(document.GetElementText(1, "list", true), R"({"k":1})");
    EXPECT_EQ(document.GetElementText(5, "list"), "");
    EXPECT_EQ(Holding("[\"top\"]").GetElementText(0), "top");
}

TEST(JsonDocumentReset, DeclaresTheValueAnew) {
    JsonDocument document = Holding(R"({"a":1})");
    document.Reset(JsonType::kArray);
    EXPECT_EQ(document.ToJson(), "[]");
    document.Reset(JsonType::kNumber);
    EXPECT_EQ(document.ToJson(), "[]");
    document.Reset(JsonType::kNull);
    EXPECT_EQ(document.ToJson(), "{}");
    document.Push("1", "", true);
    document.Reset(JsonType::kObject);
    EXPECT_EQ(document.ToJson(), "{}");
    document.SetMember("a", "1");
    document.Clear();
    EXPECT_EQ(document.ToJson(), "{}");
}

TEST(JsonDocumentSetValue, QuotedAndRaw) {
    JsonDocument document = JsonDocument::Create();
    document.SetValue("text");
    EXPECT_EQ(document.ToJson(), "\"text\"");
    document.SetValue("[1,2]", true);
    EXPECT_EQ(document.ToJson(), "[1,2]");
    document.SetValue("'", true);  // not script: nothing changes
    EXPECT_EQ(document.ToJson(), "[1,2]");
}

TEST(JsonDocumentDeleteMember, RemovesOneMember) {
    JsonDocument document = Holding(R"({"a":1,"b":2})");
    document.DeleteMember("a");
    EXPECT_EQ(document.ToJson(), R"({"b":2})");
    document.DeleteMember("");  // da. is not script
    EXPECT_EQ(document.ToJson(), R"({"b":2})");
}

TEST(JsonDocumentSubDocuments, AreIndependentCopies) {
    JsonDocument source = Holding(R"({"a":{"b":1,"f":function(){}},"list":[{"k":"v"}]})");
    JsonDocument member = source.GetDocument("a");
    EXPECT_EQ(member.ToJson(), R"({"b":1})");  // what JSON text drops is gone
    EXPECT_NE(member.engine, source.engine);
    member.SetMember("c", "new");
    EXPECT_EQ(source.GetMemberJson("a.c"), "");
    EXPECT_EQ(source.Count("a"), 2);

    JsonDocument element = source.GetElementDocument(0, "list");
    EXPECT_EQ(element.GetText("k"), "v");
    EXPECT_EQ(source.GetElementDocument(0).ToJson(), "");  // the object has no element 0

    JsonDocument missing = source.GetDocument("missing");
    ASSERT_TRUE(missing.engine);
    EXPECT_EQ(missing.ToJson(), "");  // holds undefined
    EXPECT_EQ(missing.TypeOf(), JsonType::kNull);
}

}  // namespace
}  // namespace seo

#pragma once
// The conversions between engine values and the document's result kinds, and between the
// program's code page 936 texts and the engine's strings. Used by script_engine.cpp only.
#include <cstddef>

#include "duktape.h"
#include "text/types.h"

namespace seo::detail {

// These run inside a protected call and act on the value at the top of the stack; each
// returns false when the conversion refuses the value. They may throw into the engine
// (a user toString or valueOf), so they hold nothing that needs a destructor.
bool ToTextResult(duk_context* context);  // leaves a string, or undefined for the empty text
bool ToNumberResult(duk_context* context, double* number);
bool ToBoolResult(duk_context* context, bool* boolean);

// Code page 936 text to the engine's UTF-8.
Text ToEngineText(const Text& text);
// An engine string (CESU-8: characters beyond the Basic Multilingual Plane as surrogate
// pairs) to code page 936, up to its first U+0000.
Text FromEngineText(const char* data, std::size_t size);

}  // namespace seo::detail

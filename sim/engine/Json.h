#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace taviksim
{

// The small JSON subset the memory files need: objects, arrays, numbers,
// strings, booleans and null. Not a general-purpose library.
struct JsonValue
{
    enum class Type
    {
        Null,
        Bool,
        Number,
        String,
        Array,
        Object
    };

    Type type = Type::Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    const JsonValue* find (const std::string& key) const;
};

// Parses the whole text; on failure returns false and says where and why.
bool parseJson (const std::string& text, JsonValue& result, std::string& error);

std::string jsonQuote (const std::string& text);

} // namespace taviksim

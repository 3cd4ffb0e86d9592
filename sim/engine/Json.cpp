#include "engine/Json.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace taviksim
{

const JsonValue* JsonValue::find (const std::string& key) const
{
    const auto it = members.find (key);
    return it == members.end() ? nullptr : &it->second;
}

namespace
{
constexpr int maxDepth = 64; // deeper nesting is no memory file; refuse instead of exhausting the stack

class Parser
{
public:
    explicit Parser (const std::string& source)
        : text (source)
    {
    }

    bool parseDocument (JsonValue& out, std::string& error)
    {
        if (!parseValue (out, 0))
        {
            error = problem;
            return false;
        }
        skipSpace();
        if (pos != text.size())
        {
            error = where() + ": unexpected text after the JSON value";
            return false;
        }
        return true;
    }

private:
    const std::string& text;
    std::size_t pos = 0;
    std::string problem;

    std::string where() const
    {
        int line = 1;
        int column = 1;
        for (std::size_t i = 0; i < pos && i < text.size(); ++i)
        {
            if (text[i] == '\n')
            {
                ++line;
                column = 1;
            }
            else
            {
                ++column;
            }
        }
        return "line " + std::to_string (line) + ", column " + std::to_string (column);
    }

    bool fail (const std::string& why)
    {
        if (problem.empty())
            problem = where() + ": " + why;
        return false;
    }

    void skipSpace()
    {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\n' || text[pos] == '\r'))
            ++pos;
    }

    bool literal (const char* word)
    {
        const std::string w (word);
        if (text.compare (pos, w.size(), w) != 0)
            return fail ("unknown word");
        pos += w.size();
        return true;
    }

    bool parseValue (JsonValue& out, int depth)
    {
        if (depth > maxDepth)
            return fail ("nested too deeply");
        skipSpace();
        if (pos >= text.size())
            return fail ("unexpected end of text");
        const char c = text[pos];
        if (c == '{')
            return parseObject (out, depth);
        if (c == '[')
            return parseArray (out, depth);
        if (c == '"')
        {
            out.type = JsonValue::Type::String;
            return parseString (out.text);
        }
        if (c == 't' || c == 'f')
        {
            out.type = JsonValue::Type::Bool;
            out.boolean = c == 't';
            return literal (c == 't' ? "true" : "false");
        }
        if (c == 'n')
        {
            out.type = JsonValue::Type::Null;
            return literal ("null");
        }
        return parseNumber (out);
    }

    bool parseNumber (JsonValue& out)
    {
        const std::size_t start = pos;
        if (pos < text.size() && text[pos] == '-')
            ++pos;
        while (pos < text.size() && (std::isdigit ((unsigned char) text[pos]) || text[pos] == '.' || text[pos] == 'e' ||
                                     text[pos] == 'E' || text[pos] == '+' || text[pos] == '-'))
            ++pos;
        const std::string token = text.substr (start, pos - start);
        if (token.empty() || token == "-")
            return fail ("expected a value");
        char* end = nullptr;
        out.number = std::strtod (token.c_str(), &end);
        if (end == nullptr || *end != '\0')
        {
            pos = start;
            return fail ("malformed number '" + token + "'");
        }
        out.type = JsonValue::Type::Number;
        return true;
    }

    bool parseString (std::string& out)
    {
        ++pos; // opening quote
        out.clear();
        while (pos < text.size())
        {
            const char c = text[pos++];
            if (c == '"')
                return true;
            if ((unsigned char) c < 0x20)
                return fail ("control character inside a string");
            if (c != '\\')
            {
                out += c;
                continue;
            }
            if (pos >= text.size())
                break;
            const char e = text[pos++];
            switch (e)
            {
                case '"':
                case '\\':
                case '/':
                    out += e;
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u':
                {
                    if (pos + 4 > text.size())
                        return fail ("short \\u escape");
                    unsigned code = 0;
                    for (int i = 0; i < 4; ++i)
                    {
                        const char h = text[pos++];
                        code <<= 4;
                        if (h >= '0' && h <= '9')
                            code |= (unsigned) (h - '0');
                        else if (h >= 'a' && h <= 'f')
                            code |= (unsigned) (h - 'a' + 10);
                        else if (h >= 'A' && h <= 'F')
                            code |= (unsigned) (h - 'A' + 10);
                        else
                            return fail ("bad \\u escape");
                    }
                    // Names are 8-bit; anything wider has no place in a memory file.
                    if (code > 0xFF)
                        return fail ("character beyond \\u00FF");
                    out += (char) code;
                    break;
                }
                default:
                    return fail ("unknown escape");
            }
        }
        return fail ("unterminated string");
    }

    bool parseArray (JsonValue& out, int depth)
    {
        out.type = JsonValue::Type::Array;
        ++pos;
        skipSpace();
        if (pos < text.size() && text[pos] == ']')
        {
            ++pos;
            return true;
        }
        for (;;)
        {
            JsonValue item;
            if (!parseValue (item, depth + 1))
                return false;
            out.items.push_back (std::move (item));
            skipSpace();
            if (pos >= text.size())
                return fail ("unterminated array");
            if (text[pos] == ',')
            {
                ++pos;
                continue;
            }
            if (text[pos] == ']')
            {
                ++pos;
                return true;
            }
            return fail ("expected ',' or ']'");
        }
    }

    bool parseObject (JsonValue& out, int depth)
    {
        out.type = JsonValue::Type::Object;
        ++pos;
        skipSpace();
        if (pos < text.size() && text[pos] == '}')
        {
            ++pos;
            return true;
        }
        for (;;)
        {
            skipSpace();
            if (pos >= text.size() || text[pos] != '"')
                return fail ("expected a key in quotes");
            std::string key;
            if (!parseString (key))
                return false;
            skipSpace();
            if (pos >= text.size() || text[pos] != ':')
                return fail ("expected ':'");
            ++pos;
            JsonValue value;
            if (!parseValue (value, depth + 1))
                return false;
            out.members[key] = std::move (value);
            skipSpace();
            if (pos >= text.size())
                return fail ("unterminated object");
            if (text[pos] == ',')
            {
                ++pos;
                continue;
            }
            if (text[pos] == '}')
            {
                ++pos;
                return true;
            }
            return fail ("expected ',' or '}'");
        }
    }
};
} // namespace

bool parseJson (const std::string& text, JsonValue& result, std::string& error)
{
    JsonValue parsed;
    Parser parser (text);
    if (!parser.parseDocument (parsed, error))
        return false;
    result = std::move (parsed);
    return true;
}

std::string jsonQuote (const std::string& text)
{
    std::string out = "\"";
    for (const char c : text)
    {
        const auto u = (unsigned char) c;
        if (c == '"' || c == '\\')
        {
            out += '\\';
            out += c;
        }
        else if (u < 0x20 || u >= 0x7F)
        {
            char escaped[8];
            std::snprintf (escaped, sizeof escaped, "\\u%04x", (unsigned) u);
            out += escaped;
        }
        else
        {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace taviksim

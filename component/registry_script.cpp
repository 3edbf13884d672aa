#include "registry_script.h"

#include <cctype>
#include <cstdlib>
#include <strings.h>

namespace {

constexpr int kMaxDepth = 32;

struct Token {
    enum class Type { End, Open, Close, Equals, Quoted, Word };
    Type type = Type::End;
    std::string text;
};

class ScriptReader {
public:
    explicit ScriptReader(const std::string& text) : text_(text) {}

    bool ParseScript(RegistryScript& script)
    {
        for (;;) {
            Token token;
            if (!Next(token))
                return false;
            if (token.type == Token::Type::End)
                return true;
            if (!IsName(token))
                return Fail("root key name expected");
            RegistryKey root;
            root.name = token.text;
            if (!Expect(Token::Type::Open, "'{' expected after root key") || !ParseBody(root, 1))
                return false;
            script.roots.push_back(std::move(root));
        }
    }

    std::string error;

private:
    static bool IsName(const Token& token)
    {
        return token.type == Token::Type::Quoted || token.type == Token::Type::Word;
    }
    static bool IsWord(const Token& token, const char* word)
    {
        return token.type == Token::Type::Word && strcasecmp(token.text.c_str(), word) == 0;
    }

    bool Fail(const std::string& message)
    {
        if (error.empty())
            error = message + " at offset " + std::to_string(position_);
        return false;
    }

    bool Next(Token& token)
    {
        while (position_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[position_])))
            ++position_;
        token = Token();
        if (position_ >= text_.size())
            return true;
        char c = text_[position_];
        if (c == '{' || c == '}' || c == '=') {
            token.type = c == '{' ? Token::Type::Open : c == '}' ? Token::Type::Close : Token::Type::Equals;
            ++position_;
            return true;
        }
        if (c == '\'') {
            token.type = Token::Type::Quoted;
            for (++position_;; ++position_) {
                if (position_ >= text_.size())
                    return Fail("unterminated quoted text");
                if (text_[position_] == '\'') {
                    if (position_ + 1 < text_.size() && text_[position_ + 1] == '\'') {
                        token.text += '\'';
                        ++position_;
                        continue;
                    }
                    ++position_;
                    return true;
                }
                token.text += text_[position_];
            }
        }
        token.type = Token::Type::Word;
        while (position_ < text_.size()) {
            char w = text_[position_];
            if (std::isspace(static_cast<unsigned char>(w)) || w == '{' || w == '}' || w == '=' || w == '\'')
                break;
            token.text += w;
            ++position_;
        }
        return true;
    }

    bool Peek(Token& token)
    {
        size_t saved = position_;
        bool ok = Next(token);
        position_ = saved;
        return ok;
    }

    bool Expect(Token::Type type, const char* message)
    {
        Token token;
        if (!Next(token))
            return false;
        return token.type == type || Fail(message);
    }

    bool ParseValue(RegistryValue& value)
    {
        Token kind, content;
        if (!Next(kind) || !Next(content))
            return false;
        if (IsWord(kind, "s")) {
            if (content.type != Token::Type::Quoted)
                return Fail("quoted text expected after 's'");
            value.kind = RegistryValue::Kind::String;
            value.text = content.text;
            return true;
        }
        if (IsWord(kind, "d")) {
            if (!IsName(content) || content.text.empty())
                return Fail("number expected after 'd'");
            char* end = nullptr;
            unsigned long long number = std::strtoull(content.text.c_str(), &end, 0);
            if (*end != '\0' || number > 0xFFFFFFFFull || content.text[0] == '-')
                return Fail("bad number '" + content.text + "'");
            value.kind = RegistryValue::Kind::Dword;
            value.number = static_cast<uint32_t>(number);
            return true;
        }
        return Fail("value type 's' or 'd' expected");
    }

    // Reads the entries of a key up to and including its closing brace.
    bool ParseBody(RegistryKey& key, int depth)
    {
        if (depth > kMaxDepth)
            return Fail("keys nested too deeply");
        for (;;) {
            Token token;
            if (!Next(token))
                return false;
            if (token.type == Token::Type::Close)
                return true;
            if (IsWord(token, "val")) {
                RegistryValue value;
                Token name;
                if (!Next(name))
                    return false;
                if (!IsName(name))
                    return Fail("value name expected");
                value.name = name.text;
                if (!Expect(Token::Type::Equals, "'=' expected after value name") || !ParseValue(value))
                    return false;
                key.values.push_back(std::move(value));
                continue;
            }
            RegistryKey subkey;
            if (IsWord(token, "NoRemove") || IsWord(token, "ForceRemove")) {
                subkey.removal =
                    IsWord(token, "NoRemove") ? RegistryKey::Removal::NoRemove : RegistryKey::Removal::ForceRemove;
                if (!Next(token))
                    return false;
            }
            if (!IsName(token) || token.text.empty())
                return Fail("key name expected");
            subkey.name = token.text;
            Token after;
            if (!Peek(after))
                return false;
            if (after.type == Token::Type::Equals) {
                Next(after);
                subkey.hasDefault = true;
                if (!ParseValue(subkey.defaultValue))
                    return false;
                if (!Peek(after))
                    return false;
            }
            if (after.type == Token::Type::Open) {
                Next(after);
                if (!ParseBody(subkey, depth + 1))
                    return false;
            }
            key.subkeys.push_back(std::move(subkey));
        }
    }

    const std::string& text_;
    size_t position_ = 0;
};

}  // namespace

bool ExpandScriptVariables(const std::string& text, const std::map<std::string, std::string>& variables,
                           std::string& expanded)
{
    expanded.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            expanded += text[i];
            continue;
        }
        size_t close = text.find('%', i + 1);
        if (close == std::string::npos)
            return false;
        std::string name = text.substr(i + 1, close - i - 1);
        i = close;
        if (name.empty()) {
            expanded += '%';
            continue;
        }
        auto found = variables.find(name);
        if (found == variables.end())
            return false;
        for (char c : found->second) {
            expanded += c;
            if (c == '\'')
                expanded += '\'';
        }
    }
    return true;
}

bool ParseRegistryScript(const std::string& text, RegistryScript& script, std::string& error)
{
    script = RegistryScript();
    ScriptReader reader(text);
    if (reader.ParseScript(script)) {
        error.clear();
        return true;
    }
    error = reader.error;
    script = RegistryScript();
    return false;
}

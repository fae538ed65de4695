#include "host/registry_script.h"

#include <cwctype>
#include <stdexcept>

#include "diagnostics/returned_failure.h"
#include "support/registry.h"
#include "support/unique_resource.h"

namespace {

struct Token {
    std::wstring text;
    bool quoted = false;
    bool Is(const wchar_t* word) const { return !quoted && ::lstrcmpiW(text.c_str(), word) == 0; }
};

class Tokenizer {
public:
    explicit Tokenizer(const std::wstring& text) : text_(text) {}

    bool AtEnd() {
        SkipBlanks();
        return pos_ >= text_.size();
    }

    Token Next() {
        SkipBlanks();
        if (pos_ >= text_.size()) throw std::invalid_argument("unexpected end of registry script");
        Token token;
        if (text_[pos_] == L'\'') {
            token.quoted = true;
            for (++pos_;; ++pos_) {
                if (pos_ >= text_.size()) throw std::invalid_argument("unterminated quoted text");
                if (text_[pos_] == L'\'') {
                    if (pos_ + 1 < text_.size() && text_[pos_ + 1] == L'\'') {
                        token.text += L'\'';
                        ++pos_;
                        continue;
                    }
                    ++pos_;
                    break;
                }
                token.text += text_[pos_];
            }
            return token;
        }
        while (pos_ < text_.size() && !std::iswspace(text_[pos_])) token.text += text_[pos_++];
        return token;
    }

    Token Peek() {
        size_t saved = pos_;
        Token token = Next();
        pos_ = saved;
        return token;
    }

    void Expect(const wchar_t* word) {
        if (!Next().Is(word)) throw std::invalid_argument("registry script: missing brace or '='");
    }

private:
    void SkipBlanks() {
        while (pos_ < text_.size() && (std::iswspace(text_[pos_]) || text_[pos_] == 0xFEFF)) ++pos_;
    }
    const std::wstring& text_;
    size_t pos_ = 0;
};

using tesk::registry::IsMissing;

std::wstring Substitute(const std::wstring& text, const RegistryScript::Replacements& table) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%') {
            size_t end = text.find(L'%', i + 1);
            if (end != std::wstring::npos) {
                auto found = table.find(text.substr(i + 1, end - i - 1));
                if (found != table.end()) {
                    out += found->second;
                    i = end;
                    continue;
                }
            }
        }
        out += text[i];
    }
    return out;
}

HRESULT WriteValue(HKEY key, const wchar_t* name, DWORD type, const std::wstring& data) {
    if (type == REG_DWORD)
        return tesk::registry::WriteDword(key, name, std::wcstoul(data.c_str(), nullptr, 0));
    return tesk::registry::WriteString(key, name, data.c_str());
}

bool HasSubkeys(HKEY key) {
    DWORD subkeys = 0;
    return ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys > 0;
}

}  // namespace

// The parser keeps its helpers here so that they can fill the private types.
struct RegistryScriptParser {
    template <class Value>
    static Value ParseTypedValue(Tokenizer& in, std::wstring name) {
        Value value;
        value.name = std::move(name);
        Token type = in.Next();
        if (type.Is(L"s")) value.type = REG_SZ;
        else if (type.Is(L"d")) value.type = REG_DWORD;
        else throw std::invalid_argument("registry script: value type must be s or d");
        value.data = in.Next().text;
        return value;
    }

    template <class Key>
    static void ParseBody(Tokenizer& in, Key& key) {
        for (;;) {
            Token token = in.Next();
            if (token.Is(L"}")) return;
            if (token.Is(L"val")) {
                std::wstring name = in.Next().text;
                in.Expect(L"=");
                key.values.push_back(ParseTypedValue<decltype(key.defaultValue)>(in, name));
            } else {
                key.children.push_back(ParseKey<Key>(in, token));
            }
        }
    }

    template <class Key>
    static Key ParseKey(Tokenizer& in, Token token) {
        Key key;
        for (;; token = in.Next()) {
            if (token.Is(L"NoRemove")) key.noRemove = true;
            else if (token.Is(L"ForceRemove")) key.forceRemove = true;
            else break;
        }
        if (token.Is(L"{") || token.Is(L"}") || token.Is(L"="))
            throw std::invalid_argument("registry script: key name expected");
        key.name = token.text;
        if (!in.AtEnd() && in.Peek().Is(L"=")) {
            in.Next();
            key.hasDefault = true;
            key.defaultValue = ParseTypedValue<decltype(key.defaultValue)>(in, L"");
        }
        if (!in.AtEnd() && in.Peek().Is(L"{")) {
            in.Next();
            ParseBody(in, key);
        }
        return key;
    }
};

RegistryScript::RegistryScript(const std::wstring& text) {
    Tokenizer in(text);
    while (!in.AtEnd()) {
        Root root;
        root.name = in.Next().text;
        in.Expect(L"{");
        for (Token token = in.Next(); !token.Is(L"}"); token = in.Next())
            root.keys.push_back(RegistryScriptParser::ParseKey<Key>(in, token));
        roots_.push_back(std::move(root));
    }
}

void RegistryScript::RedirectRoot(const std::wstring& rootName, HKEY key) {
    redirects_[rootName] = key;
}

HKEY RegistryScript::RootKey(const std::wstring& name) const {
    auto redirected = redirects_.find(name);
    if (redirected != redirects_.end()) return redirected->second;
    if (name == L"HKCR" || name == L"HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
    if (name == L"HKLM" || name == L"HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
    if (name == L"HKCU" || name == L"HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
    return nullptr;
}

HRESULT RegistryScript::Register(const Replacements& replacements) const {
    for (const Root& root : roots_) {
        HKEY rootKey = RootKey(root.name);
        TESK_RETURN_IF(!rootKey, E_INVALIDARG);
        for (const Key& key : root.keys) {
            HRESULT hr = RegisterKey(rootKey, key, replacements);
            TESK_RETURN_IF_FAILED(hr);
        }
    }
    return S_OK;
}

HRESULT RegistryScript::RegisterKey(HKEY parent, const Key& key,
                                    const Replacements& replacements) const {
    if (key.forceRemove) {
        ::RegDeleteTreeW(parent, key.name.c_str());
    }
    tesk::UniqueRegKey handle;
    TESK_RETURN_IF_FAILED(
        tesk::registry::Create(parent, key.name.c_str(), KEY_READ | KEY_WRITE, handle));
    if (key.hasDefault)
        TESK_RETURN_IF_FAILED(WriteValue(handle.get(), nullptr, key.defaultValue.type,
                                         Substitute(key.defaultValue.data, replacements)));
    for (const Value& value : key.values)
        TESK_RETURN_IF_FAILED(WriteValue(handle.get(), value.name.c_str(), value.type,
                                         Substitute(value.data, replacements)));
    for (const Key& child : key.children) {
        HRESULT hr = RegisterKey(handle.get(), child, replacements);
        TESK_RETURN_IF_FAILED(hr);
    }
    return S_OK;
}

HRESULT RegistryScript::Unregister() const {
    HRESULT result = S_OK;
    for (const Root& root : roots_) {
        HKEY rootKey = RootKey(root.name);
        TESK_RETURN_IF(!rootKey, E_INVALIDARG);
        for (const Key& key : root.keys) {
            HRESULT hr = UnregisterKey(rootKey, key);
            if (SUCCEEDED(result)) result = hr;
        }
    }
    return result;
}

// Removal deletes every listed key with its values, the replaced ones with their
// whole subtree; a key that still holds subkeys nobody listed is left for their
// owners, and keys marked NoRemove only lose the listed values and children.
HRESULT RegistryScript::UnregisterKey(HKEY parent, const Key& key) const {
    if (key.forceRemove && !key.noRemove) {
        HRESULT hr = tesk::Win32Result(::RegDeleteTreeW(parent, key.name.c_str()));
        return IsMissing(hr) ? S_OK : hr;
    }
    tesk::UniqueRegKey handle;
    HRESULT opened = tesk::registry::Open(parent, key.name.c_str(), KEY_READ | KEY_WRITE, handle);
    if (IsMissing(opened)) return S_OK;
    TESK_RETURN_IF_FAILED(opened);

    HRESULT result = S_OK;
    for (const Key& child : key.children) {
        HRESULT hr = UnregisterKey(handle.get(), child);
        if (SUCCEEDED(result)) result = hr;
    }
    if (key.noRemove) {
        for (const Value& value : key.values) ::RegDeleteValueW(handle.get(), value.name.c_str());
        return result;
    }
    bool keep = HasSubkeys(handle.get());
    handle.reset();
    if (!keep) {
        HRESULT hr = tesk::Win32Result(::RegDeleteKeyW(parent, key.name.c_str()));
        if (!IsMissing(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

std::unique_ptr<RegistryScript> RegistryScript::FromResource(HMODULE module, UINT id) {
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY");
    if (!found) return nullptr;
    HGLOBAL loaded = ::LoadResource(module, found);
    const char* bytes = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    if (!bytes) return nullptr;
    int size = static_cast<int>(::SizeofResource(module, found));
    int chars = ::MultiByteToWideChar(CP_UTF8, 0, bytes, size, nullptr, 0);
    std::wstring text(chars, L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes, size, &text[0], chars);
    return std::make_unique<RegistryScript>(text);
}

HRESULT ApplyRegistryScriptResource(HMODULE module, UINT id, bool registering) {
    std::unique_ptr<RegistryScript> script;
    try {
        script = RegistryScript::FromResource(module, id);
    } catch (const std::exception&) {
        return E_UNEXPECTED;
    }
    if (!script) return tesk::Win32Result(ERROR_RESOURCE_DATA_NOT_FOUND);
    if (!registering) return script->Unregister();

    wchar_t modulePath[MAX_PATH] = {};
    ::GetModuleFileNameW(module, modulePath, MAX_PATH);
    // %MODULE% is the command line that starts the module (LocalServer32):
    // a path with a blank is quoted, as the platform's own registration tools
    // do, so that a program planted at a shorter prefix of it never starts
    // instead; any other path stays bare.
    std::wstring commandLine = modulePath;
    if (commandLine.find(L' ') != std::wstring::npos) commandLine = L"\"" + commandLine + L"\"";
    return script->Register({{L"MODULE", commandLine}});
}

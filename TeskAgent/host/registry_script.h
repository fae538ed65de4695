#pragma once
// Registry scripts: the text form in which the executable carries its COM
// registration (resources of type REGISTRY), and their application.
//
//   HKCR
//   {
//       NoRemove CLSID                       never deleted at removal
//       {
//           ForceRemove {clsid} = s 'Name'   whole subtree replaced at registration
//           {
//               val AppID = s '%APPID%'      a named value
//               LocalServer32 = s '%MODULE%' a subkey with its default value
//           }
//       }
//   }
//
// Values are REG_SZ ("s") or REG_DWORD ("d"); %NAME% in a value is replaced
// from the caller's table.

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

class RegistryScript {
public:
    using Replacements = std::map<std::wstring, std::wstring>;

    // Parses the script text; throws std::invalid_argument on a syntax error.
    explicit RegistryScript(const std::wstring& text);

    // Root keys may be redirected (HKCR to a test key, for example).
    void RedirectRoot(const std::wstring& rootName, HKEY key);

    HRESULT Register(const Replacements& replacements) const;
    HRESULT Unregister() const;

    // Loads a REGISTRY resource of module and parses it.
    static std::unique_ptr<RegistryScript> FromResource(HMODULE module, UINT id);

private:
    struct Value {
        std::wstring name;
        DWORD type = REG_SZ;
        std::wstring data;
    };
    struct Key {
        std::wstring name;
        bool noRemove = false;
        bool forceRemove = false;
        bool hasDefault = false;
        Value defaultValue;
        std::vector<Value> values;
        std::vector<Key> children;
    };
    struct Root {
        std::wstring name;
        std::vector<Key> keys;
    };

    HKEY RootKey(const std::wstring& name) const;
    HRESULT RegisterKey(HKEY parent, const Key& key, const Replacements& replacements) const;
    HRESULT UnregisterKey(HKEY parent, const Key& key) const;

    std::vector<Root> roots_;
    std::map<std::wstring, HKEY> redirects_;
};

// Applies the REGISTRY resource id of module; registration substitutes %MODULE%
// with the module's full path, in quotes when it contains a blank.
HRESULT ApplyRegistryScriptResource(HMODULE module, UINT id, bool registering);

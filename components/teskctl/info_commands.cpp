// info, plugins, rot.
#include "teskctl/agent_session.h"
#include "teskctl/commands.h"
#include "teskctl/failure.h"

namespace teskctl {

namespace {
const std::vector<std::wstring> kAttributeNames = {
    L"FilePath",           L"CreationDate",         L"FileVersion",     L"ProductVersion",
    L"TeskToolkitVersion", L"TeskToolkitBuildDate", L"TeskEngineProgID"};

nlohmann::json ItemJson(const ItemResult& item) {
    nlohmann::json entry = {{"name", Json(item.name)},
                            {"value", Json(item.value)},
                            {"hresult", HexJson(item.hr)}};
    if (FAILED(item.hr)) entry["message"] = Json(HresultText(item.hr));
    return entry;
}

std::wstring ItemText(const ItemResult& item) {
    if (SUCCEEDED(item.hr)) return item.value.empty() ? L"(empty)" : item.value;
    return L"not available: " + HexText(static_cast<unsigned long>(item.hr)) + L" " +
           HresultText(item.hr);
}

std::wstring ItemLines(const std::wstring& heading, const std::vector<ItemResult>& items) {
    std::vector<std::pair<std::wstring, std::wstring>> lines;
    for (const ItemResult& item : items) lines.push_back({L"  " + item.name, ItemText(item)});
    return heading + L"\n" + NameValueLines(lines);
}
}  // namespace

CommandOutput InfoCommand(const Invocation& invocation) {
    AgentSession session(invocation.node);
    KnownServerActivity(session, invocation.server);
    const std::wstring configFile = session.ConfigFile(invocation.server);
    const std::vector<ItemResult> properties = session.Properties(invocation.server);
    const std::vector<ItemResult> local = session.VersionAttributes(invocation.server, L"LOCAL", kAttributeNames);
    const std::vector<ItemResult> inproc = session.VersionAttributes(invocation.server, L"INPROC", kAttributeNames);

    CommandOutput output;
    output.json["server"] = Json(invocation.server);
    output.json["configFile"] = Json(configFile);
    output.json["properties"] = nlohmann::json::array();
    for (size_t i = 0; i < properties.size(); ++i) {
        nlohmann::json entry = ItemJson(properties[i]);
        entry["id"] = i + 1;
        output.json["properties"].push_back(entry);
    }
    output.json["modules"] = {{"local", nlohmann::json::array()}, {"inproc", nlohmann::json::array()}};
    for (const ItemResult& item : local) output.json["modules"]["local"].push_back(ItemJson(item));
    for (const ItemResult& item : inproc) output.json["modules"]["inproc"].push_back(ItemJson(item));

    std::vector<ItemResult> numbered;
    for (size_t i = 0; i < properties.size(); ++i) {
        ItemResult item = properties[i];
        item.name = std::to_wstring(i + 1) + L" " + item.name;
        numbered.push_back(item);
    }
    output.human = NameValueLines({{L"server", invocation.server},
                                   {L"configuration file", configFile.empty() ? L"(none)" : configFile}}) +
                   ItemLines(L"properties:", numbered) +
                   ItemLines(L"local server module (LocalServer32):", local) +
                   ItemLines(L"in-process module (InprocServer32):", inproc);
    return output;
}

CommandOutput PluginsCommand(const Invocation& invocation) {
    AgentSession session(invocation.node);
    const std::vector<std::wstring> progIds = session.PluginProgIds();
    CommandOutput output;
    output.json["plugins"] = nlohmann::json::array();
    for (const std::wstring& progId : progIds) {
        output.json["plugins"].push_back(Json(progId));
        output.human += progId + L"\n";
    }
    if (progIds.empty()) output.human = L"no I/O plug-in is installed\n";
    return output;
}

CommandOutput RotCommand(const Invocation& invocation) {
    AgentSession session(invocation.node);
    const bool entry = session.RotHasEntry(invocation.rotKey);
    CommandOutput output;
    output.json["key"] = Json(invocation.rotKey);
    output.json["entry"] = entry;
    output.human = std::wstring(entry ? L"the Tesk ROT holds an entry for \""
                                      : L"the Tesk ROT holds no entry for \"") +
                   invocation.rotKey + L"\"\n";
    return output;
}

}  // namespace teskctl

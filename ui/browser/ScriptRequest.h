// ScriptRequest: what a store page's script asks of the program (a download, or a store page
// to open), and the process-wide hook that receives it.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

/// Ten UTF-8 text fields, empty at creation. Roles of the used ones: see the accessors.
struct ScriptRequest {
    static constexpr std::size_t kFields = 10;
    std::array<std::string, kFields> field;

    const std::string& downloadUrl() const { return field[0]; } ///< or the store URL of code 4
    const std::string& version() const { return field[1]; }
    const std::string& iconUrl() const { return field[3]; }
    const std::string& packageName() const { return field[4]; }
    const std::string& md5() const { return field[6]; }
    const std::string& name() const { return field[7]; }
    const std::string& type() const { return field[9]; }
};

/// Request codes of the hook.
inline constexpr int kScriptDownload = 3;
inline constexpr int kScriptOpenStoreUrl = 4;

/// Receives each script request on the UI thread; the request lives until it returns.
using ScriptRequestHook = void (*)(int code, const ScriptRequest* request);

void SetScriptRequestHook(ScriptRequestHook hook);
ScriptRequestHook GetScriptRequestHook();

/// Calls the hook, if one is set.
void DeliverScriptRequest(int code, const ScriptRequest& request);

// CKivImpIDispatch: the external object of the store pages (`window.external` in their
// scripts). Two script-callable methods, exact and case-sensitive:
//
//   KivSofeware_notify(code, data)   code 3: a Base64 download request; 4: open a store URL
//   VuzuDoz_Notify(data)             a download request carrying only a URL
//
// The requests go to the process-wide ScriptRequestHook. One instance per process, created
// by InitBrowserSupport. UI thread only.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

/// One argument of a script call: a number, a text, or anything else (null, objects ...).
using ScriptValue = std::variant<std::monostate, double, std::string>;

class CKivImpIDispatch {
public:
    static constexpr int kDispidNotify = 8;
    static constexpr int kDispidVuzuDoz = 9;
    static constexpr int kDispidUnknown = -1;

    /// The process's object (nullptr before InitBrowserSupport or after DeleteInstance).
    static CKivImpIDispatch* Instance();
    static CKivImpIDispatch* CreateInstance();
    static void DeleteInstance();

    /// The DISPID of a method name, exact and case-sensitive; kDispidUnknown for names not
    /// offered.
    static int DispIdOfName(std::string_view name);

    /// A method call with the script's arguments in call order. Unknown DISPIDs, codes other
    /// than 3 and 4, missing arguments and arguments of the wrong type do nothing.
    void Invoke(int dispid, const std::vector<ScriptValue>& args) const;

private:
    void notify(const std::vector<ScriptValue>& args) const;
    void vuzuDozNotify(const std::vector<ScriptValue>& args) const;
};

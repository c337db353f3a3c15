// The store web site: its host (a setting) and the paths the program opens there.
#pragma once

#include <string>
#include <string_view>

namespace config {

/// Config.ini section and key of the store host ("host[:port]").
inline constexpr std::string_view kStore = "Store";

/// Built in when neither PENLOW_STORE_HOST nor Config.ini names a host: nothing leaves the
/// machine unless configured.
inline constexpr std::string_view kDefaultStoreHost = "localhost";

inline constexpr std::string_view kStoreHomePath = "/index.php";
inline constexpr std::string_view kStoreAppCategoriesPath = "/softdir.php";
inline constexpr std::string_view kStoreGameCategoriesPath = "/gamedir.php";
inline constexpr std::string_view kStoreTopicsPath = "/subject.php";
inline constexpr std::string_view kStoreSearchPath = "/s.php?s=%s";
inline constexpr std::string_view kStoreRecommendationsPath = "/mindex.php";
inline constexpr std::string_view kStoreMoreListPath = "/list.php?type=t";

/// The store host: PENLOW_STORE_HOST, else [Store] host of Config.ini, else the default. A
/// value with characters no host name has (anything but letters, digits, ".-:[]") is ignored.
std::string StoreHost();

/// "http://" + StoreHost() + `path`.
std::string StoreUrl(std::string_view path);

/// True when `hostAndPort` ("host[:port]") is the store host, ignoring ASCII case.
bool IsStoreHost(std::string_view hostAndPort);

} // namespace config

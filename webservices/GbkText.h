// The GBK bytes of UTF-8 text, for the request whose header declares "charset=gbk".
#pragma once

#include <string>
#include <string_view>

namespace webservices {

/// `utf8` converted to GBK. A character GBK cannot hold, and each byte that is not part of a
/// valid UTF-8 sequence, becomes '?'; ASCII stays as it is.
std::string Utf8ToGbk(std::string_view utf8);

} // namespace webservices

// A URL as a browser would send it: the text a store page or a user hands over may hold
// blanks and other characters a request line cannot carry.
#pragma once

#include <string>
#include <string_view>

/// `url` with surrounding blanks and control characters trimmed, tabs and line breaks
/// removed, and the bytes a browser percent-encodes written as "%XX": control characters,
/// blanks, bytes of 0x7F and above, and '"', '<', '>' everywhere, '`', '{', '}' in the path
/// and the fragment, '\'' in the query. '%' and the URL's own delimiters stay as they are, so an
/// encoded URL is not encoded twice.
std::string EncodeUrlAsBrowser(std::string_view url);

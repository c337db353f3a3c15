// The payload formats of store page scripts, as pure functions (no I/O, no Qt): the Base64
// download request split into ten fields, and the URL of a JSON-like text.
#pragma once

#include "ScriptRequest.h"

#include <cstddef>
#include <string>
#include <string_view>

/// Decoded output never exceeds this many bytes.
inline constexpr std::size_t kScriptPayloadMaxBytes = 10240;

/// Base64 with the standard alphabet. Every other byte (0x80 and above included) is skipped;
/// "=" counts as a zero value and shortens the output of its group by one byte; four kept
/// characters make a group, a trailing incomplete group is dropped. Decoding stops before a
/// group that would take the output beyond kScriptPayloadMaxBytes.
std::string DecodeScriptBase64(std::string_view text);

/// The decoded bytes read as text: up to the first zero byte, invalid UTF-8 replaced by
/// U+FFFD.
std::string ScriptPayloadText(std::string_view bytes);

/// Splits `text` at "|": the first nine pieces before a "|" fill fields 1 to 9, further
/// pieces before a "|" are dropped, what follows the last "|" is field 10 (a text without
/// "|" is field 10 whole).
ScriptRequest SplitScriptRequest(std::string_view text);

/// A download request from the Base64 payload of a page script.
ScriptRequest ParseDownloadPayload(std::string_view base64);

/// The value after the first "\"url\":\"" up to the next double quote (empty when the key is
/// missing or the value has no closing quote). No other JSON is understood.
std::string FindQuotedUrl(std::string_view text);

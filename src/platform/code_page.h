#pragma once
// Conversion to the 8-bit code page the mouse reads profile names in. The mouse was made for
// Simplified Chinese Windows, so the bytes are code page 936 (GBK) on every platform.
#include <string>
#include <string_view>

namespace z7 {

// UTF-16 to GBK. Every character GBK cannot represent, and every unpaired surrogate, becomes one
// '?'. A character is one or two bytes; lead bytes are 0x81..0xFE. Never fails.
std::string EncodeGbk(std::u16string_view text);

}  // namespace z7

#pragma once

// Conversions between the UTF-16 text the engine stores and the UTF-8 used
// in messages and at the edges.

#include <string>
#include <string_view>

namespace engine {

// Unpaired surrogates become U+FFFD.
std::string toUtf8(std::u16string_view text);
// Invalid sequences become U+FFFD.
std::u16string fromUtf8(std::string_view text);

}  // namespace engine

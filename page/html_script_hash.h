// The hash a Content-Security-Policy names an inline script by: the page lets run only the
// scripts whose text it lists, so a script that text from the air might smuggle in never runs.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

// SHA-256 (FIPS 180-4) of the bytes.
std::array<std::uint8_t, 32> Sha256(std::string_view bytes);

// Base64 with padding (RFC 4648, the standard alphabet).
std::string Base64(std::string_view bytes);

// "'sha256-BASE64'": the source expression allowing the script whose whole text is `script`.
std::string ScriptHashSource(std::string_view script);

} // namespace vantrel

// Base64 (the standard alphabet, with "=" padding), for keys, signatures and proxy tokens.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

std::string Base64Encode(const uint8_t* data, size_t count);
// Strict: whole groups of four, padding only at the end, no white space and
// no stray bits in the last group; anything else is none.
std::optional<std::vector<uint8_t>> Base64Decode(std::string_view text);

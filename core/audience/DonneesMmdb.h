// The texts of a record of a MaxMind DB file, read from its data section by ourselves rather than
// by libmaxminddb: the library skips a value it does not want by recursing once per level of
// nesting, without a bound, and a file nesting a value 300,000 arrays deep overflows the stack.
// Here every read is checked against the section's end, pointers are followed only to read a key
// or a value on the way, and a value nested deeper than kProfondeurMmdb counts as damaged.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>

namespace kestrane {

// Real country records are 3 or 4 levels deep.
inline constexpr int kProfondeurMmdb = 32;

// The text reached from the value at `position` of the data section `donnees` through the map
// keys of `chemin` ({"country", "names", "fr"}). Nothing when a key is missing, when the path
// leads elsewhere than to a text, or when a value read or skipped on the way is damaged, leaves
// the section or nests deeper than kProfondeurMmdb.
std::optional<std::string_view> texteMmdb(std::span<const uint8_t> donnees, uint64_t position,
                                          std::initializer_list<std::string_view> chemin);

}  // namespace kestrane

#pragma once
// The standard reflected CRC-32 (polynomial 0xEDB88320, initial value all
// ones, final complement: the CRC of zlib and PNG). Compiled script
// libraries and cached script files are named after these values.
#include <cstddef>
#include <cstdint>

// The CRC-32 of `length` bytes; 0 for no bytes (or a null pointer).
uint32_t ComputeCRC32(const void* data, std::size_t length);

// The CRC-32 of a NUL-terminated text with every ASCII capital letter taken
// as its small letter, so that names differing only in case give one value.
// Other bytes are taken as they are, whatever the locale: the value names
// files and must not change with the user's settings. A null text gives 0.
uint32_t ComputeCRC32LowerCase(const char* text);

#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

// Writes n bytes of every byte value, in an order that does not repeat within a block.
void writeSource(const std::string& path, size_t n);
// The file's SHA-256 in hex, from sha256sum.
std::string sha256(const std::string& path);
// The file's size, -1 while it does not exist.
off_t fileSize(const std::string& path);

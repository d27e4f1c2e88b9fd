#pragma once
// The page's files: the page fetches every picture before the show starts and hands the bytes in
// here, by name; the loaders then read them as the desktop reads files.

#include <cstddef>
#include <cstdint>
#include <string>

// Returns a buffer of `size` bytes kept under `name` (replacing an earlier one), for the page to
// fill; null when memory cannot be had.
std::uint8_t* reserveAsset(const std::string& name, std::size_t size);
// The bytes kept under `name`, or null when the page gave none.
const std::uint8_t* findAsset(const std::string& name, std::size_t& size);

// The game's files as the sound data tests find them.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

// The program folder: the executable's, which holds the data and music links.
inline std::filesystem::path programFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && std::filesystem::exists(exe.parent_path() / "data" / "sounds.res")) return exe.parent_path();
    return std::filesystem::current_path();
}

// The whole file; empty when it cannot be read.
inline std::vector<char> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Hand-made REZ bytes for the reader and writer tests, spelled out from the
// layout itself rather than from the code under test.
#pragma once

#include <cstdint>
#include <string>

namespace rezbytes {

inline std::string U32(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

inline std::string HeaderText()
{
    return "\r\nPackfile Keeper Version 1" + std::string(35, ' ') + "\r\n" + std::string(60, ' ') +
           "\r\n\x1a";
}

// The 184-byte header with the root block's place filled in.
inline std::string Header(uint32_t rootOffset, uint32_t rootLength)
{
    return HeaderText() + U32(1) + U32(rootOffset) + U32(rootLength) + U32(0x0012FD1C) +
           U32(0xFFFFFFFF) + U32(0x36913B3E) + U32(0) + U32(21) + U32(25) + U32(0) + U32(0x2001) +
           U32(0) + U32(0) + U32(0) + std::string(1, '\0');
}

// A file element; type is the type field as stored, zero-filled to 4 bytes.
inline std::string FileElement(uint32_t offset, uint32_t length, uint32_t extra,
                               std::string type, const std::string& name)
{
    type.resize(4, '\0');
    return U32(0) + U32(offset) + U32(length) + U32(extra) + "FiID" + type + U32(0) + name +
           std::string(2, '\0');
}

inline std::string DirElement(uint32_t offset, uint32_t length, uint32_t extra, const std::string& name)
{
    return U32(1) + U32(offset) + U32(length) + U32(extra) + name + std::string(1, '\0');
}

inline uint32_t Size(const std::string& s) { return static_cast<uint32_t>(s.size()); }

}  // namespace rezbytes

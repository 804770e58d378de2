// The REZ file layout in one place: header, element IDs, element layouts,
// and the little-endian helpers that read and write its 32-bit words.
//
// A REZ file is a 184-byte header, then every file's bytes and one block per
// directory. A directory block is a run of elements with no count; its extent
// comes from the header (root) or from the parent's directory element.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace rez {

// Header (184 bytes at offset 0). Every word but the root block's offset and
// length is a constant that readers ignore.
constexpr size_t kHeaderSize = 184;
constexpr size_t kHeaderTextSize = 127;                // offset 0: text block
constexpr size_t kRootOffsetPos = 131;                 // offset 131, 4 bytes
constexpr size_t kRootLengthPos = 135;                 // offset 135, 4 bytes

// Offset 0, 127 bytes: CR LF, a 60-character title line, CR LF, 60 blanks,
// CR LF, and the byte 0x1A. The literal's closing zero is not written.
inline constexpr char kHeaderText[] =
    "\r\n"
    "Packfile Keeper Version 1                                   "
    "\r\n"
    "                                                            "
    "\r\n"
    "\x1a";
static_assert(sizeof(kHeaderText) - 1 == kHeaderTextSize, "text block is 127 bytes");

// The fourteen words from offset 127 to 182, in file order; the two at 131
// and 135 are placeholders until the root block has been written. One zero
// byte (offset 183) ends the header.
constexpr uint32_t kHeaderWords[14] = {
    1,           // 127
    0xFFFFFFFF,  // 131: root block offset
    0xFFFFFFFF,  // 135: root block length
    0x0012FD1C,  // 139
    0xFFFFFFFF,  // 143
    0x36913B3E,  // 147
    0,           // 151
    21,          // 155
    25,          // 159
    0,           // 163
    0x2001,      // 167
    0,           // 171
    0,           // 175
    0,           // 179
};

// Every element starts with a 32-bit ID.
constexpr uint32_t kFileElementId = 0;
constexpr uint32_t kDirElementId = 1;

// File element: ID, offset, length, extra, tag "FiID", type (the extension
// reversed, zero-filled), a zero word (28 bytes), then the name and two zero
// bytes.
constexpr size_t kFileElementFixedSize = 28;
constexpr size_t kFileNameEndSize = 2;
constexpr uint32_t kFileTag = 0x44496946;  // the bytes "FiID"
constexpr size_t kTypeFieldSize = 4;

// Directory element: ID, offset, length, extra (16 bytes), then the name and
// one zero byte.
constexpr size_t kDirElementFixedSize = 16;
constexpr size_t kDirNameEndSize = 1;

static_assert(kHeaderTextSize + sizeof(kHeaderWords) + 1 == kHeaderSize, "header is 184 bytes");

constexpr uint64_t kMaxPosition = 0xFFFFFFFFu;  // every offset and length is 32-bit

// Directory levels below the root whose blocks a reader follows. Nothing in
// the layout bounds the nesting; this keeps a hostile file from exhausting
// the stack. A folder tree on Windows (260-character paths) is far shallower.
constexpr size_t kMaxNesting = 256;

// The type field holds the extension reversed: its last character in byte 0,
// the fourth-last in byte 3, zero where it has none. Longer extensions keep
// their last four characters.
inline void WriteTypeField(uint8_t* p, const std::string& extension)
{
    const size_t n = extension.size();
    for (size_t i = 0; i < kTypeFieldSize; ++i)
        p[i] = i < n ? static_cast<uint8_t>(extension[n - 1 - i]) : 0;
}

// The extension back from a type field: bytes 3, 2, 1, 0, zero bytes left out.
inline std::string ExtensionFromTypeField(const uint8_t* p)
{
    std::string extension;
    for (size_t i = kTypeFieldSize; i-- > 0;)
        if (p[i] != 0)
            extension += static_cast<char>(p[i]);
    return extension;
}

inline uint32_t ReadU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline void WriteU32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace rez

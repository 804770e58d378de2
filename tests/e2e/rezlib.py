"""A small REZ archive writer of its own, so that cases can craft archives,
valid or hostile, without the tool.

Valid archives: describe a tree with Dir and File and call pack(root); the
bytes come out laid out exactly as the tool writes them, and the nodes get
the offsets and lengths of that layout, so listing(root) gives the text the
tool prints for it.

Hostile archives: assemble them from header(), file_element(),
dir_element() and u32(), placing blocks wherever the case needs them.
"""

import struct

HEADER_SIZE = 184
ROOT_FIELDS_AT = 131

# CR LF, a title of 60 characters, CR LF, 60 blanks, CR LF, 0x1A: 127 bytes.
TEXT_BLOCK = (b"\r\n" + b"Packfile Keeper Version 1".ljust(60) + b"\r\n"
              + b" " * 60 + b"\r\n" + b"\x1a")
assert len(TEXT_BLOCK) == 127

FILE_ID = 0
DIR_ID = 1
TAG = b"FiID"


def u32(value):
    return struct.pack("<I", value & 0xFFFFFFFF)


def _bytes(text):
    return text.encode("latin-1") if isinstance(text, str) else bytes(text)


def header(root_offset, root_length, text=TEXT_BLOCK):
    """The 184-byte header with the constants the tool writes."""
    words = [1, root_offset, root_length, 0x0012FD1C, 0xFFFFFFFF, 0x36913B3E,
             0, 21, 25, 0, 0x2001, 0, 0, 0]
    data = _bytes(text) + b"".join(u32(w) for w in words) + b"\0"
    assert len(data) == HEADER_SIZE
    return data


def type_field(extension):
    """The extension's last character first; at most its last four; 0-filled."""
    ext = _bytes(extension)[-4:]
    return bytes(reversed(ext)).ljust(4, b"\0")


def file_element(offset, length, extension=b"", name=b"", extra=0,
                 element_id=FILE_ID, type_bytes=None, name_bytes=None):
    """A file element. name_bytes, when given, replaces the name and its two
    closing zero bytes, for names with holes or without an end."""
    kind = type_bytes if type_bytes is not None else type_field(extension)
    tail = name_bytes if name_bytes is not None else _bytes(name) + b"\0\0"
    return (u32(element_id) + u32(offset) + u32(length) + u32(extra) + TAG
            + kind + u32(0) + tail)


def dir_element(offset, length, name=b"", extra=0, element_id=DIR_ID, name_bytes=None):
    """A directory element; name_bytes replaces the name and its zero byte."""
    tail = name_bytes if name_bytes is not None else _bytes(name) + b"\0"
    return u32(element_id) + u32(offset) + u32(length) + u32(extra) + tail


class File:
    def __init__(self, name, extension="", data=b"", extra=0):
        self.name = _bytes(name)
        self.extension = _bytes(extension)
        self.data = _bytes(data)
        self.extra = extra
        self.offset = 0

    @property
    def length(self):
        return len(self.data)

    def shown_name(self):
        if self.extension:
            return self.name + b"." + self.extension
        return self.name


class Dir:
    def __init__(self, name, *children, extra=0):
        self.name = _bytes(name)
        self.extra = extra
        self.files = [c for c in children if isinstance(c, File)]
        self.dirs = [c for c in children if isinstance(c, Dir)]
        self.offset = 0
        self.length = 0


def root(*children):
    return Dir("ROOT", *children)


def pack(top):
    """The archive the tool writes for the tree under top (its root): each
    directory's file contents, then its subdirectories, then its block."""
    out = bytearray(header(0xFFFFFFFF, 0xFFFFFFFF))

    def write_dir(d):
        for f in d.files:
            f.offset = len(out)
            out.extend(f.data)
        for sub in d.dirs:
            write_dir(sub)
        d.offset = len(out)
        for f in d.files:
            out.extend(file_element(f.offset, f.length, f.extension, f.name, f.extra))
        for sub in d.dirs:
            out.extend(dir_element(sub.offset, sub.length, sub.name, sub.extra))
        d.length = len(out) - d.offset

    write_dir(top)
    out[ROOT_FIELDS_AT:ROOT_FIELDS_AT + 8] = u32(top.offset) + u32(top.length)
    return bytes(out)


def listing(top, depth=0):
    """The tool's listing of the tree under top, as text (after pack() the
    offsets are those of the packed archive)."""
    def text(b):
        return b.decode("latin-1")

    lines = ["  " * depth + 'Directory: "%s" Offset: %d Length: %d\n'
             % (text(top.name), top.offset, top.length)]
    for f in top.files:
        lines.append("  " * (depth + 1) + 'File: "%s" Offset: %d Length: %d\n'
                     % (text(f.shown_name()), f.offset, f.length))
    for sub in top.dirs:
        lines.append(listing(sub, depth + 1))
    return "".join(lines)


def count_nodes(top):
    return len(top.files) + len(top.dirs) + sum(count_nodes(d) for d in top.dirs)


def folder_setup(top, prefix):
    """The tree under top as setup entries below prefix (ending in "/"):
    one entry per file, and one per folder so that empty ones exist too."""
    entries = {prefix: b""}
    for f in top.files:
        entries[prefix + f.shown_name().decode("latin-1")] = f.data
    for sub in top.dirs:
        entries.update(folder_setup(sub, prefix + sub.name.decode("latin-1") + "/"))
    return entries


if __name__ == "__main__":
    # The worked examples of the format, as a self-check of this writer.
    one = pack(root(File("A", "WAV", b"abc")))
    assert len(one) == 218 and one[131:139] == u32(187) + u32(31)
    assert one[187:] == (u32(0) + u32(184) + u32(3) + u32(0) + b"FiID" + b"VAW\0"
                         + u32(0) + b"A\0\0")
    empty_dir = pack(root(Dir("D")))
    assert len(empty_dir) == 202 and empty_dir[131:139] == u32(184) + u32(18)
    assert len(pack(root())) == 184 and pack(root())[131:139] == u32(184) + u32(0)
    assert type_field("ABCDE") == b"EDCB"
    print("rezlib: ok")

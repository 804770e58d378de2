"""End-to-end cases of "-lr": listing REZ files, sound and damaged, what the
session holds afterwards, and a listing of an archive the tool just wrote."""

from e2elib import case, extract_lines, list_held, list_rez, pack_lines, printf, progress, session
from rezlib import Dir, File, dir_element, file_element, header, listing, pack, root, u32


def not_opened(path):
    return printf("Error when trying to read REZ file:\n  %s\n\n" % path)


def wrong_id(value, offset):
    return printf("Wrong element ID ( expected 0 or 1 ), canceling reading of the current directory.\n"
                  "Value read: %d   Offset: %d\n\n" % (value, offset))


def read_error(offset):
    return printf("Error when reading REZ file, canceling reading of the current directory.\n"
                  "  Offset: %d\n\n" % offset)


# A tree in the order a folder import gives it (names sorted by their bytes),
# so that packing it from disk must give exactly these bytes.
def game_tree():
    return root(File("Sound", "WAV", b"RIFF\0\0\0\0"), File("noext", "", b""),
                File("readme", "txt", b"hello\r\n"),
                Dir("gfx", File("tile", "pcx", b"\x0a\x05\x01" * 7), Dir("empty")),
                Dir("snd", File("loop", "wav", b"\xff" * 300)))


GAME = game_tree()
GAME_REZ = pack(GAME)
GAME_LISTING = listing(GAME)

OTHER = root(File("only", "dat", b"1234"))
OTHER_REZ = pack(OTHER)
OTHER_LISTING = listing(OTHER)

ONE_FILE = root(File("A", "WAV", b"abc"))
ONE_FILE_REZ = pack(ONE_FILE)
EMPTY_DIR = root(Dir("D"))
EMPTY_DIR_REZ = pack(EMPTY_DIR)
EMPTY = root()
EMPTY_REZ = pack(EMPTY)

CASES = [
    case("-lr of a packed tree lists every item with its place",
         ["-lr", "game.rez"], session(list_rez("game.rez", GAME_LISTING)),
         setup={"game.rez": GAME_REZ}, files={"game.rez": GAME_REZ}),

    case("-lr of the 218-byte example",
         ["-lr", "one.rez"], session(list_rez("one.rez", listing(ONE_FILE))),
         setup={"one.rez": ONE_FILE_REZ}),

    case("-lr of the 202-byte example",
         ["-lr", "d.rez"], session(list_rez("d.rez", listing(EMPTY_DIR))),
         setup={"d.rez": EMPTY_DIR_REZ}),

    case("-lr of an archive with an empty root",
         ["-lr", "e.rez"], session(list_rez("e.rez", 'Directory: "ROOT" Offset: 184 Length: 0\n')),
         setup={"e.rez": EMPTY_REZ}),

    case("-lr of a missing file, first command: heading, nothing listed",
         ["-lr", "missing.rez"], session(list_rez("missing.rez", "", not_opened("missing.rez")))),

    case("-lr of a folder counts as a file that does not open",
         ["-lr", "box.rez"], session(list_rez("box.rez", "", not_opened("box.rez"))),
         setup={"box.rez/": None}),

    case("-lr of a file that does not open keeps the tree held before",
         ["-lr", "a.rez", "-lr", "b.rez", "-l"],
         session(list_rez("a.rez", GAME_LISTING), list_rez("b.rez", "", not_opened("b.rez")),
                 list_held(GAME_LISTING)),
         setup={"a.rez": GAME_REZ}),

    case("-lr replaces the tree held before",
         ["-lr", "a.rez", "-lr", "b.rez", "-l"],
         session(list_rez("a.rez", GAME_LISTING), list_rez("b.rez", OTHER_LISTING),
                 list_held(OTHER_LISTING)),
         setup={"a.rez": GAME_REZ, "b.rez": OTHER_REZ}),

    case("-lr then -rd of a file that does not open: the view-only tree stays, nothing is written",
         ["-lr", "a.rez", "-rd", "missing.rez", "out", "-l"],
         session(list_rez("a.rez", GAME_LISTING),
                 extract_lines("missing.rez", "out", load_messages=not_opened("missing.rez")),
                 list_held(GAME_LISTING)),
         setup={"a.rez": GAME_REZ}, absent=["out"], trees={".": {"a.rez": GAME_REZ}}),
]

# Damaged archives: the listing shows what was read, after the reader's messages.

# Root block: a file, a subdirectory, the ID 2, a file never reached. The
# subdirectory's block is still read.
_sub = file_element(0, 0, "", "inner")
_head = file_element(0, 0, "txt", "first") + dir_element(184, len(_sub), "sub")
_root_at = 184 + len(_sub)
_root = _head + u32(2) + file_element(0, 0, "", "never")
CASES.append(case(
    "-lr of an archive with a wrong element ID",
    ["-lr", "bad.rez"],
    session(list_rez("bad.rez",
                     'Directory: "ROOT" Offset: %d Length: %d\n' % (_root_at, len(_root))
                     + '  File: "first.txt" Offset: 0 Length: 0\n'
                     + '  Directory: "sub" Offset: 184 Length: %d\n' % len(_sub)
                     + '    File: "inner" Offset: 0 Length: 0\n',
                     wrong_id(2, _root_at + len(_head)))),
    setup={"bad.rez": header(_root_at, len(_root)) + _sub + _root}))

# The game archive cut in the middle of its root block's last element.
_cut = len(GAME_REZ) - 10
_last_element = GAME.offset + GAME.length - (16 + len("snd") + 1)
CASES.append(case(
    "-lr of a cut archive lists what stands before the cut",
    ["-lr", "cut.rez"],
    session(list_rez("cut.rez",
                     "".join(line + "\n" for line in GAME_LISTING.splitlines()
                             if not line.startswith(("  Directory: \"snd\"", "    File: \"loop"))),
                     read_error(_last_element))),
    setup={"cut.rez": GAME_REZ[:_cut]}))

# Two subdirectories named alike: the second is passed over, its block (the
# ID 7, which would print a message) never read.
_dup_root = dir_element(184, 0, "d") + dir_element(184, 4, "d")
CASES.append(case(
    "-lr of an archive with a directory name twice",
    ["-lr", "dup.rez"],
    session(list_rez("dup.rez",
                     'Directory: "ROOT" Offset: 188 Length: %d\n' % len(_dup_root)
                     + '  Directory: "d" Offset: 184 Length: 0\n',
                     printf("Trying to add directory to CREZDir instance. "
                            "It already has a directory with the same name: d\n\n"))),
    setup={"dup.rez": header(188, len(_dup_root)) + u32(7) + _dup_root}))

# A subdirectory whose element points back at the root's block.
_loop = dir_element(184 + 21, 20, "loop")
_loop_root = dir_element(184, len(_loop), "sub")
CASES.append(case(
    "-lr of an archive whose directories form a loop",
    ["-lr", "loop.rez"],
    session(list_rez("loop.rez",
                     'Directory: "ROOT" Offset: 205 Length: 20\n'
                     '  Directory: "sub" Offset: 184 Length: 21\n'
                     '    Directory: "loop" Offset: 205 Length: 20\n',
                     printf("Directory block is already being read, passing over the directory:\n"
                            "  loop   Offset: 205\n\n"))),
    setup={"loop.rez": header(205, 20) + _loop + _loop_root}))

# Listing reads no contents: a file whose bytes lie past the end is listed.
_far = file_element(1000, 50, "bin", "far")
CASES.append(case(
    "-lr lists a file whose contents lie past the end",
    ["-lr", "far.rez"],
    session(list_rez("far.rez",
                     'Directory: "ROOT" Offset: 184 Length: %d\n' % len(_far)
                     + '  File: "far.bin" Offset: 1000 Length: 50\n')),
    setup={"far.rez": header(184, len(_far)) + _far}))

# Places past 2 GiB are shown unsigned; the read past the end is reported.
CASES.append(case(
    "-lr of a root block past the end of the file",
    ["-lr", "high.rez"],
    session(list_rez("high.rez", 'Directory: "ROOT" Offset: 4294967280 Length: 32\n',
                     read_error(4294967280))),
    setup={"high.rez": header(0xFFFFFFF0, 32)}))

# The writer's bytes and its places: pack a folder, then list what was written.
_packed = game_tree()
_packed_rez = pack(_packed)
CASES.append(case(
    "-dr then -lr of the new archive, then -l: the places of the file just written",
    ["-dr", "in{S}", "out.rez", "-lr", "out.rez", "-l"],
    session(pack_lines("in{S}", "out.rez", save_output=progress()),
            list_rez("out.rez", listing(_packed)), list_held(listing(_packed))),
    setup={"in/": None, "in/Sound.WAV": b"RIFF\0\0\0\0", "in/noext": b"", "in/readme.txt": b"hello\r\n",
           "in/gfx/": None, "in/gfx/tile.pcx": b"\x0a\x05\x01" * 7, "in/gfx/empty/": None,
           "in/snd/": None, "in/snd/loop.wav": b"\xff" * 300},
    files={"out.rez": _packed_rez}))

# Saving into a folder that does not exist: the writer's message, no file.
CASES.append(case(
    "-dr into a folder that does not exist, then -l lists the folder's tree",
    ["-dr", "in{S}", "nowhere{S}out.rez", "-l"],
    session(pack_lines("in{S}", "nowhere{S}out.rez",
                       save_output=printf("Error when trying to open REZ file for writing:\n"
                                          "  nowhere{S}out.rez\n\n"), ok=False),
            list_held('Directory: "ROOT" Offset: 0 Length: 0\n'
                      '  File: "a.txt" Offset: 0 Length: 1\n')),
    setup={"in/a.txt": b"a"}, absent=["nowhere"]))

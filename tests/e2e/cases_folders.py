"""End-to-end cases of packing folders and extracting archives: "-dr" and
"-rd" with their messages, prefix paths, sessions of several commands, what a
packed folder may hold (FIFOs, links), names from an archive that must not
leave the target, and the round trip of a random tree."""

import os
import random

from e2elib import (FAILED, PROGRESS_SCALE, S, case, extract_lines, list_held, list_rez,
                    pack_lines, printf, puts, session)
from rezlib import Dir, File, folder_setup, listing, pack, root

EMPTY_OR_MISSING = "Either a specified directory is empty, or it doesn't exist:\n  %s\n\n"
CANNOT_READ_REZ = "Error when trying to read REZ file:\n  %s\n\n"
LOOP = "Skipping a directory that leads back to a directory above it:\n  %s\n\n"
UNSAFE_FILE = "Skipping a file whose name is not safe to write:\n  %s\n\n"
UNSAFE_DIR = "Skipping a directory whose name is not safe to write:\n  %s\n\n"


def dots(n):
    return "." * n


# The folder of the import example: a.txt, b.txt and sub holding c.bin.
EXAMPLE = root(File("a", "txt", b"alpha"), File("b", "txt", b""),
               Dir("sub", File("c", "bin", b"\x00\x01\xff\r\n")))
EXAMPLE_REZ = pack(EXAMPLE)
EXAMPLE_LISTING = listing(EXAMPLE)

# An archive with a file and a folder at its root, for the prefix cases.
SMALL = root(File("A", "TXT", b"abc"), Dir("SUB", File("in", "dat", b"in")))
SMALL_REZ = pack(SMALL)
SMALL_LISTING = listing(SMALL)

CASES = [
    case("-dr packs the example folder, -l lists the offsets written",
         ["-dr", "src" + S, "out.rez", "-l"],
         session(pack_lines("src" + S, "out.rez", save_output=PROGRESS_SCALE + dots(50) + "\n\n"),
                 list_held(EXAMPLE_LISTING)),
         setup=folder_setup(EXAMPLE, "src/"),
         files={"out.rez": EXAMPLE_REZ}),

    case("-dr of an empty folder fails and writes nothing",
         ["-dr", "empty" + S, "out.rez", "-l"],
         session(pack_lines("empty" + S, "out.rez", printf(EMPTY_OR_MISSING % ("empty" + S))),
                 puts('Trying to use parameter "-l"\nA REZ package was not created/loaded. '
                      'Use this parameter after a command "-dr"/"-rd"\n')),
         setup={"empty/": None},
         absent=["out.rez"]),

    case("-dr of a missing folder after -lr keeps the listed tree",
         ["-lr", "a.rez", "-dr", "missing" + S, "out.rez", "-l"],
         session(list_rez("a.rez", EXAMPLE_LISTING),
                 pack_lines("missing" + S, "out.rez", printf(EMPTY_OR_MISSING % ("missing" + S))),
                 list_held(EXAMPLE_LISTING)),
         setup={"a.rez": EXAMPLE_REZ},
         absent=["out.rez"]),

    case("-dr to an output that cannot be made still holds the folder's tree",
         ["-dr", "src" + S, "nowhere/out.rez", "-l"],
         session(pack_lines("src" + S, "nowhere/out.rez",
                            save_output=printf("Error when trying to open REZ file for writing:\n"
                                               "  nowhere/out.rez\n\n"), ok=False),
                 list_held('Directory: "ROOT" Offset: 0 Length: 0\n'
                           '  File: "a.txt" Offset: 0 Length: 1\n')),
         setup={"src/a.txt": b"a"},
         absent=["nowhere"]),

    case("-dr with a folder path without separator is a prefix",
         # "src*" matches the folder src itself, whose contents are then
         # looked for at "srcsrc/": packed as an empty folder.
         ["-dr", "src", "out.rez"],
         session(pack_lines("src", "out.rez", save_output=PROGRESS_SCALE + dots(50) + "\n\n")),
         setup={"src/a.txt": b"a"},
         files={"out.rez": pack(root(Dir("src")))}),

    case("-rd extracts into a folder, -l lists the tree after",
         ["-rd", "a.rez", "out" + S, "-l"],
         session(extract_lines("a.rez", "out" + S, save_output=PROGRESS_SCALE + dots(50) + "\n\n"),
                 list_held(EXAMPLE_LISTING)),
         setup={"a.rez": EXAMPLE_REZ, "out/a.txt": b"an older, longer text"},
         trees={"out": {"a.txt": b"alpha", "b.txt": b"", "sub/c.bin": b"\x00\x01\xff\r\n"}}),

    case("-rd with a target without separator writes beside it",
         ["-rd", "a.rez", "out"],
         session(extract_lines("a.rez", "out", save_output=PROGRESS_SCALE + dots(50) + "\n\n")),
         setup={"a.rez": SMALL_REZ},
         trees={".": {"a.rez": SMALL_REZ, "out/": None, "outA.TXT": b"abc",
                      "outSUB/in.dat": b"in"}}),

    case("-rd of a missing archive creates nothing",
         ["-rd", "missing.rez", "out" + S],
         session(extract_lines("missing.rez", "out" + S, printf(CANNOT_READ_REZ % "missing.rez"))),
         absent=["out"]),

    case("-rd: a file that cannot be written is reported, the rest goes on",
         ["-rd", "a.rez", "out" + S],
         session(extract_lines("a.rez", "out" + S, save_output=(
             PROGRESS_SCALE + printf("Problems when writing file: 0 0 1\n  out%sA.TXT\n\n" % S)
             + dots(50) + "\n\n"))),
         setup={"a.rez": SMALL_REZ, "out/A.TXT/": None},
         trees={"out": {"A.TXT/": None, "SUB/in.dat": b"in"}}),

    case("-lr a.rez -lr missing.rez -l",
         ["-lr", "a.rez", "-lr", "missing.rez", "-l"],
         session(list_rez("a.rez", SMALL_LISTING),
                 list_rez("missing.rez", messages=printf(CANNOT_READ_REZ % "missing.rez")),
                 list_held(SMALL_LISTING)),
         setup={"a.rez": SMALL_REZ}),

    case("-lr then a failing -rd: the view-only tree stays and is not written",
         ["-lr", "a.rez", "-rd", "missing.rez", "out" + S, "-l"],
         session(list_rez("a.rez", SMALL_LISTING),
                 extract_lines("missing.rez", "out" + S, printf(CANNOT_READ_REZ % "missing.rez")),
                 list_held(SMALL_LISTING)),
         setup={"a.rez": SMALL_REZ},
         absent=["out"]),
]


# Names from a crafted archive that would leave the target or name nothing
# are passed over with everything below them. Eight nodes: the two root files
# make 2 of 8 (12 dots), in/y.txt 4 of 8 (25), the root's folders 6 (37).
HOSTILE = root(File("../evil", "txt", b"escaped"), File("ok", "txt", b"ok"),
               Dir("..", File("x", "", b"escaped")),
               Dir("in", File("y", "txt", b"y")),
               Dir("a\\b", File("z", "", b"escaped")))
HOSTILE_REZ = pack(HOSTILE)
CASES.append(case(
    "-rd passes over names that would leave the target",
    ["-rd", "a.rez", "out" + S],
    session(extract_lines("a.rez", "out" + S, save_output=(
        PROGRESS_SCALE
        + printf(UNSAFE_FILE % ("out" + S + "../evil.txt")) + dots(12)
        + printf(UNSAFE_DIR % ("out" + S + "..")) + dots(13)
        + printf(UNSAFE_DIR % ("out" + S + "a\\b")) + dots(12) + "\n\n"))),
    setup={"a.rez": HOSTILE_REZ},
    trees={".": {"a.rez": HOSTILE_REZ, "out/ok.txt": b"ok", "out/in/y.txt": b"y"}}))


def make_fifo(work):
    os.mkfifo(work / "src" / "pipe")


def make_loop(work):
    os.symlink("..", work / "src" / "sub" / "up")
    os.symlink("a.txt", work / "src" / "linked.txt")
    os.symlink("nowhere", work / "src" / "dangling")


CASES += [
    case("-dr passes a FIFO by without blocking",
         ["-dr", "src/", "out.rez"],
         session(pack_lines("src/", "out.rez", save_output=PROGRESS_SCALE + dots(50) + "\n\n")),
         setup={"src/a.txt": b"a"}, setup_fn=make_fifo, timeout=20,
         files={"out.rez": pack(root(File("a", "txt", b"a")))}),

    case("-dr reports a link back to a folder above and passes it by",
         ["-dr", "src/", "out.rez"],
         session(pack_lines("src/", "out.rez", printf(LOOP % "src/sub/up"),
                            save_output=PROGRESS_SCALE + dots(50) + "\n\n")),
         setup={"src/a.txt": b"a", "src/sub/": None}, setup_fn=make_loop, timeout=20,
         files={"out.rez": pack(root(File("a", "txt", b"a"), File("linked", "txt", b"a"),
                                     Dir("sub")))}),
]


def random_tree(seed):
    """A tree with dotted names, empty files, empty folders and binary
    contents. Names are lower case (Windows folds case) and never end with a
    dot; extensions hold at most four characters, all the format keeps."""
    rng = random.Random(seed)
    letters = "abcdefghijklmnopqrstuvwxyz0123456789_-"

    def word(low, high):
        return "".join(rng.choice(letters) for _ in range(rng.randint(low, high)))

    def file_name():
        shape = rng.randrange(5)
        if shape == 0:
            return word(1, 8), ""
        if shape == 1:
            return "", word(1, 4)                     # ".cfg"
        if shape == 2:
            return word(1, 5) + "." + word(1, 3), word(1, 4)  # "a.b.c"
        return word(1, 8), word(1, 4)

    def contents():
        size = rng.choice([0, 0, 1, 7, 100, 3000, 70000])
        return bytes(rng.randrange(256) for _ in range(size))

    def build(name, depth):
        taken = set()
        files, dirs = [], []
        for _ in range(rng.randint(0, 5)):
            stem, ext = file_name()
            full = stem + "." + ext if ext else stem
            if full not in taken:
                taken.add(full)
                files.append(File(stem, ext, contents()))
        for _ in range(rng.randint(0, 3) if depth < 4 else 0):
            sub = word(1, 6) + rng.choice(["", ".d", ".x.y"])
            if sub not in taken:
                taken.add(sub)
                dirs.append(build(sub, depth + 1))
        # The listings hand names out sorted by bytes.
        files.sort(key=lambda f: f.shown_name())
        dirs.sort(key=lambda d: d.name)
        return Dir(name, *(files + dirs))

    tree = build("ROOT", 0)
    tree.dirs.append(Dir("zz-empty"))  # at least one empty folder, last by bytes
    return tree


for seed in (1, 3, 6):
    TREE = random_tree(seed)
    TREE_REZ = pack(TREE)
    CASES.append(case(
        "round trip of random tree %d: pack, extract, pack again" % seed,
        ["-dr", "src" + S, "a.rez", "-rd", "a.rez", "out" + S, "-dr", "out" + S, "b.rez"],
        session(pack_lines("src" + S, "a.rez", save_output=PROGRESS_SCALE + dots(50) + "\n\n"),
                extract_lines("a.rez", "out" + S, save_output=PROGRESS_SCALE + dots(50) + "\n\n"),
                pack_lines("out" + S, "b.rez", save_output=PROGRESS_SCALE + dots(50) + "\n\n")),
        setup=folder_setup(TREE, "src/"),
        files={"a.rez": TREE_REZ, "b.rez": TREE_REZ},
        same_tree=[("out", "src")]))

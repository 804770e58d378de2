"""End-to-end cases of the session: the banner, the usage text and pause, the
command loop's unknown words and missing parameters, "-l" without a tree."""

from e2elib import (BANNER, END, NO_TREE, PAUSE, USAGE, case, list_rez, missing, pack_lines,
                    progress, session, unknown)
from rezlib import File, pack, root

CASES = [
    case("no arguments: usage, pause, closing lines",
         [], BANNER + USAGE + PAUSE + END),

    case("-l alone: no tree held",
         ["-l"], session(NO_TREE)),

    case("-l twice, the loop goes on after it",
         ["-l", "-l"], session(NO_TREE, NO_TREE)),
]

# A missing parameter ends the loop: the word left is never read as a command,
# and nothing on disk is touched.
SOURCE = {"src/": None, "src/a.txt": b"a"}
for args, command, count in [
        (["-dr"], "-dr", 2),
        (["-dr", "src/"], "-dr", 2),
        (["-dr", "-l"], "-dr", 2),
        (["-rd"], "-rd", 2),
        (["-rd", "some.rez"], "-rd", 2),
        (["-rd", "-l"], "-rd", 2),
        (["-lr"], "-lr", 1),
        (["-l", "-lr"], "-lr", 1),
]:
    prefix = NO_TREE if args[0] == "-l" else ""
    CASES.append(case("missing parameter: " + " ".join(args), args,
                      session(prefix, missing(command, count)),
                      setup=SOURCE, trees={".": SOURCE}))

# Only whole, exactly spelled words are commands; everything else is reported
# and skipped, and the usage text belongs to the run without arguments alone.
for word in ["", "-DR", "-Dr", "-L", "-h", "/?", "--help", "dr", "-dr2", "-l ", " -l", "l"]:
    CASES.append(case("unknown word %r" % word, [word], session(unknown(word))))

CASES += [
    case("unknown word, then -l runs",
         ["-x", "-l"], session(unknown("-x"), NO_TREE)),

    case("unknown words around commands, then a missing parameter",
         ["-x", "-l", "", "-lr"],
         session(unknown("-x"), NO_TREE, unknown(""), missing("-lr", 1))),
]

# The words after a command are its parameters, whatever they look like; the
# loop reads the next command only after them.
PACKED = pack(root(File("a", "txt", b"a")))
CASES += [
    case("a word left after -dr and its parameters is an unknown command",
         ["-dr", "src{S}", "out.rez", "more"],
         session(pack_lines("src{S}", "out.rez", save_output=progress()), unknown("more")),
         setup=SOURCE, files={"out.rez": PACKED}),

    case("-lr takes -l as its file name",
         ["-lr", "-l"],
         session(list_rez("-l", messages="Error when trying to read REZ file:\n  -l\n\n"))),
]

"""Helpers for the end-to-end case tables: the session's fixed texts and the
case constructor. See README.md in this folder for the case format."""

# The two functions the tool writes with: puts adds one line feed, printf nothing.
def puts(text):
    return text + "\n"


def printf(text):
    return text


BANNER = (puts("\n ***       Borvik REZ Patcher v0.1.0       ***")
          + puts(" ***                      by Pellimo       ***")
          + puts(" ***                                       ***")
          + puts(" ***  https://pellimo.example/rez-patcher  ***\n"))

USAGE = (puts("Available commands:")
         + puts(" -dr <directory path> <output REZ file>                  packs the entire directory into a single REZ file")
         + puts(" -rd <REZ file> <output directory path>                  extracts the REZ file contents into a directory specified")
         + puts(" -lr <REZ file>                                          lists the contents of the REZ file specified")
         + puts(" -l                                                      lists the contents of the most recent REZ file created/loaded in a single session")
         + puts("\nAll of these commands can be combined together. They will be executed one after another.")
         + puts("\n"))

# Placeholders the runner fills in: the folder separator of the platform
# under test, and the pause prompt (exact natively, any prompt under Windows).
S = "{S}"
PAUSE = "{PAUSE}"

END = puts("Freeing up memory ...") + puts("Session completed.\n")

NO_TREE = puts('Trying to use parameter "-l"\nA REZ package was not created/loaded. '
               'Use this parameter after a command "-dr"/"-rd"\n')

PROGRESS_SCALE = printf("[0]=====[20]======[40]======[60]======[80]======[100]%\n")

FAILED = puts("Program has failed.\n")


def session(*parts):
    """The whole output of a run with arguments: banner, parts, closing lines."""
    return BANNER + "".join(parts) + END


def unknown(word):
    return printf("Unknown command:\n  %s\n\n" % word)


def missing(command, expected):
    return puts("Not enough parameters for command %s (expected: %d)\n" % (command, expected))


def progress(dots=50):
    """The progress bar of a write: the scale, the dots, two line breaks."""
    return PROGRESS_SCALE + "." * dots + "\n\n"


def list_held(listing):
    """Output of "-l" while a tree is held; listing is the tree's text."""
    return puts("Listing the contents of a REZ file: \n") + listing + puts("\n\nListing complete.\n")


def list_rez(path, listing="", messages=""):
    """Output of "-lr path": the reader's messages, then the listing (empty
    when the file did not open)."""
    return (printf("Loading a REZ file: %s\n\n" % path) + messages
            + printf("Listing a REZ file: %s\n\n" % path) + listing
            + puts("\n\nListing completed.\n"))


def pack_lines(folder, rez, load_messages="", save_output=None, ok=True):
    """Output of "-dr folder rez". save_output is everything the save prints
    (normally progress()); None means the folder did not load."""
    text = printf("Loading a directory %s ...\n\n" % folder) + load_messages
    if save_output is None:
        return text + FAILED
    text += printf("Saving the REZ file to %s ...\n\n" % rez) + save_output
    return text + (puts("Program has successfully packed the directory!\n") if ok else FAILED)


def extract_lines(rez, folder, load_messages="", save_output=None, ok=True):
    """Output of "-rd rez folder", built like pack_lines."""
    text = printf("Loading a REZ package %s ...\n\n" % rez) + load_messages
    if save_output is None:
        return text + FAILED
    text += printf("Exporting the contents to %s ...\n\n" % folder) + save_output
    return text + (puts("Program has successfully exported REZ file!\n") if ok else FAILED)


CASE_KEYS = {"name", "args", "stdout", "setup", "setup_fn", "files", "absent",
             "trees", "same_tree", "posix_only", "windows_only", "timeout"}


def case(name, args, stdout, **fields):
    """A case record; see README.md for every field."""
    record = {"name": name, "args": list(args), "stdout": stdout}
    record.update(fields)
    unknown_keys = set(record) - CASE_KEYS
    if unknown_keys:
        raise ValueError("case %s: unknown fields %s" % (name, sorted(unknown_keys)))
    return record

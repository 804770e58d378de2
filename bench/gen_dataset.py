#!/usr/bin/env python3
"""Deterministic generator of the benchmark's folder trees (standard library only).

Datasets:
  game  about 20,000 files in 400 folders up to depth 5, most files small, some up to 2 MiB,
        some empty, about 380 MB in all
  flat  one folder with 50,000 files of 0 to 2 KiB
  big   4 files of 256 MiB
  tiny  200 files of about 1 KiB in 20 folders

The same seed and scale always give the same tree, byte for byte. A dataset that was already
generated with the same parameters is left as it is (a stamp file beside it records them).

Usage: gen_dataset.py [--out DIR] [--scale S] [--seed N] [--force] [game flat big tiny ...]
"""

import argparse
import json
import os
import random
import shutil
import sys

DEFAULT_OUT = "/dev/shm/rezbench/data"
DATASETS = ("game", "flat", "big", "tiny")
KiB = 1024
MiB = 1024 * KiB

# File contents are slices of one random pool, so no byte is drawn one at a time.
POOL_SIZE = 8 * MiB

SYLLABLES = ("ba", "ko", "ri", "mu", "ten", "sha", "dor", "vel", "ix", "an", "gro", "pel",
             "zu", "fen", "lo", "tra", "qui", "nex", "hol", "wy", "cor", "mi", "ste", "ul")
# At most four characters: the archive keeps no more of an extension.
EXTENSIONS = ("wav", "pcx", "tga", "lua", "txt", "dat", "ani", "pid", "bmp", "ogg", "xml",
              "cfg", "fnt", "json", "map", "pal", "tex", "")
FOLDER_WORDS = ("levels", "sounds", "music", "gfx", "fonts", "scripts", "models", "maps",
                "ui", "anims", "textures", "cinematics", "voices", "fx", "shaders", "data")


def dataset_dir(out, name, scale):
    return os.path.join(out, name if scale == 1.0 else "%s-s%g" % (name, scale))


def scaled(count, scale, minimum=1):
    return max(minimum, int(round(count * scale)))


class Namer:
    """Word-like names, unique within each folder (ignoring case, so the tree also fits a
    case-blind file system)."""

    def __init__(self, rng):
        self.rng = rng
        self.taken = {}

    def word(self):
        rng = self.rng
        w = "".join(rng.choice(SYLLABLES) for _ in range(rng.randint(1, 3)))
        roll = rng.random()
        if roll < 0.3:
            w += "_%02d" % rng.randint(0, 99)
        elif roll < 0.4:
            w = w.upper()
        elif roll < 0.5:
            w += "." + rng.choice(SYLLABLES)  # a dot inside the name part
        return w

    def unique(self, folder, make):
        taken = self.taken.setdefault(folder, set())
        while True:
            name = make()
            if name.lower() not in taken:
                taken.add(name.lower())
                return name

    def file_name(self, folder):
        def make():
            ext = self.rng.choice(EXTENSIONS)
            return self.word() + ("." + ext if ext else "")
        return self.unique(folder, make)

    def folder_name(self, folder):
        def make():
            if folder == "" or self.rng.random() < 0.3:
                return self.rng.choice(FOLDER_WORDS) + ("_%d" % self.rng.randint(1, 99)
                                                        if self.rng.random() < 0.5 else "")
            return self.word().replace(".", "_")
        return self.unique(folder, make)


class Writer:
    """Writes files whose contents are slices of a shared random pool."""

    def __init__(self, rng):
        self.rng = rng
        self.pool = memoryview(rng.randbytes(POOL_SIZE))
        self.total = 0
        self.files = 0
        self.folders = 0

    def folder(self, path):
        os.makedirs(path, exist_ok=True)
        self.folders += 1

    def file(self, path, size):
        with open(path, "wb", buffering=0) as f:
            left = size
            while left > 0:
                n = min(left, POOL_SIZE // 2)
                start = self.rng.randrange(POOL_SIZE - n + 1)
                f.write(self.pool[start:start + n])
                left -= n
        self.total += size
        self.files += 1


def log_uniform(rng, low, high):
    return int(round(low * (high / low) ** rng.random()))


def gen_game(root, scale, rng, w):
    n_folders = scaled(400, scale)
    n_files = scaled(20000, scale)
    namer = Namer(rng)

    # Folders: each new one goes below a random existing folder of depth < 5; the first few hang
    # from the top so the tree has a handful of broad branches.
    folders = [("", 0)]
    for i in range(n_folders):
        if i < min(8, n_folders):
            parent, depth = "", 0
        else:
            candidates = [f for f in folders if f[1] < 5]
            parent, depth = rng.choice(candidates)
            # Pull deeper: a game tree is mostly leaves two to four levels down.
            if depth < 2 and rng.random() < 0.3:
                deeper = [f for f in folders if 2 <= f[1] < 5]
                if deeper:
                    parent, depth = rng.choice(deeper)
        name = namer.folder_name(parent)
        folders.append((parent + name + "/", depth + 1))
    for rel, _ in folders[1:]:
        w.folder(os.path.join(root, rel))

    # Sizes: 2% empty, 75% small (8 B to 4 KiB; median of all about 410 bytes), 22% medium
    # (4 to 64 KiB), 1% large (700 KiB to 2 MiB), which carry most of the bytes.
    sizes = []
    for _ in range(n_files):
        roll = rng.random()
        if roll < 0.02:
            sizes.append(0)
        elif roll < 0.77:
            sizes.append(log_uniform(rng, 8, 4 * KiB))
        elif roll < 0.99:
            sizes.append(log_uniform(rng, 4 * KiB, 64 * KiB))
        else:
            sizes.append(rng.randint(700 * KiB, 2 * MiB))
    # Make sure the largest size of the description is present.
    if n_files >= 100:
        sizes[rng.randrange(n_files)] = 2 * MiB

    # Files: spread over the folders with uneven weights; some folders stay empty.
    weights = [0.0 if rng.random() < 0.05 else rng.random() ** 2 for _ in folders]
    weights[0] = max(weights[0], 0.01)
    for size in sizes:
        rel, _ = rng.choices(folders, weights)[0]
        w.file(os.path.join(root, rel, namer.file_name(rel)), size)


def gen_flat(root, scale, rng, w):
    namer = Namer(rng)
    for i in range(scaled(50000, scale)):
        name = namer.file_name("")
        w.file(os.path.join(root, name), rng.randint(0, 2 * KiB))


def gen_big(root, scale, rng, w):
    size = max(1, int(256 * MiB * scale))
    for i in range(4):
        w.file(os.path.join(root, "bigdata%d.pak" % i), size)


def gen_tiny(root, scale, rng, w):
    namer = Namer(rng)
    n_folders = scaled(20, scale)
    n_files = scaled(200, scale)
    folders = []
    for i in range(n_folders):
        parent = "" if i < 5 else rng.choice(folders[:5])
        name = namer.folder_name(parent)
        folders.append(parent + name + "/")
        w.folder(os.path.join(root, folders[-1]))
    for i in range(n_files):
        rel = folders[i % n_folders]
        w.file(os.path.join(root, rel, namer.file_name(rel)), rng.randint(900, 1150))


GENERATORS = {"game": gen_game, "flat": gen_flat, "big": gen_big, "tiny": gen_tiny}


def generate(name, out=DEFAULT_OUT, scale=1.0, seed=1, force=False, quiet=False):
    """Makes the dataset if it is not there yet; returns (folder, file count, total bytes)."""
    root = dataset_dir(out, name, scale)
    stamp_path = root + ".stamp.json"
    params = {"name": name, "scale": scale, "seed": seed, "version": 1}
    if not force and os.path.isdir(root) and os.path.exists(stamp_path):
        with open(stamp_path) as f:
            stamp = json.load(f)
        if stamp.get("params") == params:
            return root, stamp["files"], stamp["bytes"]
    if os.path.exists(stamp_path):
        os.remove(stamp_path)
    if os.path.exists(root):
        shutil.rmtree(root)
    os.makedirs(root)
    # One stream per dataset, so the tree of one does not depend on which others were asked for.
    rng = random.Random("%s/%d" % (name, seed))
    w = Writer(rng)
    if not quiet:
        print("generating %s in %s ..." % (name, root), file=sys.stderr, flush=True)
    GENERATORS[name](root, scale, rng, w)
    with open(stamp_path, "w") as f:
        json.dump({"params": params, "files": w.files, "folders": w.folders, "bytes": w.total}, f)
    if not quiet:
        print("  %d files, %d folders, %.1f MB" % (w.files, w.folders, w.total / 1e6),
              file=sys.stderr, flush=True)
    return root, w.files, w.total


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("datasets", nargs="*", metavar="DATASET",
                    help="datasets to make, of %s (default: all)" % ", ".join(DATASETS))
    ap.add_argument("--out", default=DEFAULT_OUT, help="folder to write into (default %(default)s)")
    ap.add_argument("--scale", type=float, default=1.0,
                    help="multiplies file counts and big-file sizes, for quick runs (default 1)")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--force", action="store_true", help="regenerate even if already present")
    args = ap.parse_args()
    for name in args.datasets:
        if name not in DATASETS:
            ap.error("unknown dataset %r (known: %s)" % (name, ", ".join(DATASETS)))
    for name in args.datasets or DATASETS:
        root, files, total = generate(name, args.out, args.scale, args.seed, args.force)
        print("%s\t%s\t%d files\t%d bytes" % (name, root, files, total))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Puts files into one of the states of the page cache that people meet, for the benchmarks.

    page_cache.py STATE PATH...

PATH is a file or a folder (every regular file below it). STATE is one of:

  written    just written, as a download or a copy that has just ended leaves it: PATH is made
             anew as a copy of PATH.src beside it (cp), then synced, so that nothing is still
             being written back while it is read
  read-back  dropped from the page cache, then read back: a file read once before
  cold       dropped from the page cache: read from the disk

Dropping is the system's advice to forget a file's cached pages (POSIX_FADV_DONTNEED), which
needs no privileges and leaves everything else cached. On a virtual machine whose host reclaims
memory, cached pages also go by themselves after a while: put the files into their state again
right before each timed run.
"""

import os
import shutil
import subprocess
import sys


def files_below(path):
    if os.path.isdir(path):
        for folder, _, names in os.walk(path):
            for name in sorted(names):
                yield os.path.join(folder, name)
    else:
        yield path


def drop(path):
    for name in files_below(path):
        fd = os.open(name, os.O_RDONLY)
        try:
            os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
        finally:
            os.close(fd)


def read_back(path):
    for name in files_below(path):
        with open(name, "rb", buffering=0) as f:
            while f.read(1 << 20):
                pass


def write_anew(path):
    source = path + ".src"
    if not os.path.exists(source):
        sys.exit(f"page_cache.py: no {source} to copy {path} from")
    if os.path.isdir(path):
        shutil.rmtree(path)
    elif os.path.exists(path):
        os.unlink(path)
    subprocess.run(["cp", "-R", "--reflink=never", source, path], check=True)


def main(argv):
    if len(argv) < 3 or argv[1] not in ("written", "read-back", "cold"):
        sys.exit(__doc__)
    state, paths = argv[1], argv[2:]
    for path in paths:
        if state == "written":
            write_anew(path)
    os.sync()
    for path in paths:
        if state in ("read-back", "cold"):
            drop(path)
        if state == "read-back":
            read_back(path)


if __name__ == "__main__":
    main(sys.argv)

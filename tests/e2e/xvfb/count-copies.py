#!/usr/bin/env python3
"""Counts the copies of a text in a file (a core of a process) in each
encoding a program could hold it in.

    count-copies.py FILE TEXT    prints "utf-8 N utf-16le N utf-32le N"
"""
import mmap
import sys


def count(data, needle):
    n, at = 0, data.find(needle)
    while at >= 0:
        n += 1
        at = data.find(needle, at + 1)
    return n


def main():
    if len(sys.argv) != 3 or not sys.argv[2]:
        sys.exit(__doc__)
    path, text = sys.argv[1], sys.argv[2]
    with open(path, "rb") as f, mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as data:
        print(" ".join(f"{enc} {count(data, text.encode(enc))}"
                       for enc in ("utf-8", "utf-16le", "utf-32le")))


main()

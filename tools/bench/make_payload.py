#!/usr/bin/env python3
"""Writes one payload of the install benchmark: COUNT files of SIZE bytes
named PREFIX0001.EXT and so on, plus manifest.txt ("name size" per line).

The content is text-like, made of a small random vocabulary per file: it
compresses about as well as the programs and documents of a real product,
and mscompress gets through it quickly. The same arguments always give the
same files.

  make_payload.py FOLDER PREFIX EXT COUNT SIZE
"""
import os
import random
import sys


def file_content(file_number, size):
    rng = random.Random(file_number)
    letters = b"abcdefghijklmnopqrstuvwxyz"
    vocabulary = [bytes(rng.choice(letters) for _ in range(rng.randint(2, 10))) for _ in range(256)]
    vocabulary += [b"\r\n"] * 24  # line breaks, now and then
    data = bytearray()
    while len(data) < size:
        data += b" ".join(rng.choices(vocabulary, k=max(64, size // 5)))
    return bytes(data[:size])


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    folder, prefix, ext = sys.argv[1], sys.argv[2], sys.argv[3]
    count, size = int(sys.argv[4]), int(sys.argv[5])
    digits = max(3, len(str(count)))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "manifest.txt"), "w") as manifest:
        for number in range(1, count + 1):
            name = "%s%0*d.%s" % (prefix, digits, number, ext)
            with open(os.path.join(folder, name), "wb") as out:
                out.write(file_content("%s-%d-%d" % (prefix, number, size), size))
            manifest.write("%s %d\n" % (name, size))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the product of the one-file benchmark: shaped like a real
product of a few dozen programs and libraries, about 150 MB.

  make_product.py FOLDER

  bin/        the program's executables and libraries, with its C++ runtime
  bin/lib/    48 third-party libraries
  plugins/    20 plugins, each with its own copy of (part of) the runtime:
              code that the product carries many times over, as real ones do
  docs/       300 texts
  data/       one archive of 24 MB: resources, some of them already
              compressed

The programs are real 32-bit x86 code: Wine's own Windows libraries, taken
in a fixed order, so that the codec sees what it sees in a real product.
The texts and the archive are made from a fixed start of the random generator. The same Wine
gives the same product.
"""
import os
import random
import sys

WINE_DLLS = "/usr/lib/i386-linux-gnu/wine/i386-windows"
RUNTIME = ["msvcp140.dll", "vcruntime140.dll", "ucrtbase.dll", "msvcr120.dll"]


def libraries(low, high):
    names = sorted(n for n in os.listdir(WINE_DLLS) if n.endswith((".dll", ".exe")) and n not in RUNTIME)
    return [n for n in names if low <= os.path.getsize(os.path.join(WINE_DLLS, n)) <= high]


def read(name):
    with open(os.path.join(WINE_DLLS, name), "rb") as f:
        return f.read()


def text(rng, size):
    vocabulary = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 11)))
                  for _ in range(2000)]
    words = rng.choices(vocabulary, weights=[1.0 / (i + 1) for i in range(len(vocabulary))], k=size // 5)
    lines, line = [], []
    for word in words:
        line.append(word)
        if len(line) > 12:
            lines.append(b" ".join(line))
            line = []
    return (b"\r\n".join(lines))[:size]


def write(folder, name, data):
    path = os.path.join(folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    rng = random.Random(1993)
    # The program: the largest libraries under 4 MB, renamed as its own.
    big = libraries(1_500_000, 4_000_000)
    for i, name in enumerate(big[:10]):
        write(out, "bin/%s%02d.%s" % ("app" if i < 3 else "core", i, "exe" if i < 3 else "dll"), read(name))
    for name in RUNTIME:
        write(out, "bin/" + name, read(name))
    mid = libraries(300_000, 1_500_000)
    step = max(1, len(mid) // 48)
    for name in mid[::step][:48]:
        write(out, "bin/lib/" + name, read(name))
    small = libraries(60_000, 300_000)
    step = max(1, len(small) // 20)
    for i, name in enumerate(small[::step][:20]):
        write(out, "plugins/plugin%02d/%s" % (i, name), read(name))
        for runtime in RUNTIME[:2] if i % 2 == 0 else RUNTIME[1:2]:
            write(out, "plugins/plugin%02d/%s" % (i, runtime), read(runtime))
    for i in range(300):
        write(out, "docs/topic%03d.txt" % i, text(rng, rng.randint(2_000, 120_000)))
    archive = bytearray()
    pieces = libraries(100_000, 3_000_000)
    while len(archive) < 24_000_000:
        kind = rng.random()
        if kind < 0.5:
            archive += read(rng.choice(pieces))
        elif kind < 0.8:
            archive += text(rng, rng.randint(100_000, 600_000))
        else:
            archive += rng.randbytes(rng.randint(50_000, 400_000))  # pictures, already compressed
    write(out, "data/resources.pak", bytes(archive[:24_000_000]))


if __name__ == "__main__":
    main()

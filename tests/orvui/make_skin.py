#!/usr/bin/env python3
"""Builds the skin fixtures of the framework tests and benchmark.

usage: make_skin.py test <source skin folder> <output folder>
       make_skin.py bench <output folder>

"test" copies the hand-written skin, adds generated files (images, markup of
exactly the 4 MiB limit and one byte more, an empty file) and packs the
folder into skin.7z beside it. "bench" writes a skin of about 450 KiB with a
600-element layout and packs it into bench_skin.7z.
"""
import os
import random
import shutil
import struct
import subprocess
import sys
import zlib

LIMIT = 4194304


def png(width, height, pixel):
    rows = b"".join(b"\x00" + b"".join(pixel(x, y) for x in range(width)) for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9))
            + chunk(b"IEND", b""))


def markup_of_size(size):
    head = b"<Window size=\"10,10\"><!--"
    tail = b"--><Control name=\"limit\"/></Window>"
    return head + b"x" * (size - len(head) - len(tail)) + tail


def pack(folder, archive):
    if os.path.exists(archive):
        os.remove(archive)
    subprocess.run(["7z", "a", "-t7z", "-bd", "-y", archive, "."], cwd=folder, check=True,
                   stdout=subprocess.DEVNULL)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def make_test(source, out):
    folder = os.path.join(out, "skin")
    shutil.rmtree(folder, ignore_errors=True)
    shutil.copytree(source, folder)
    write(os.path.join(folder, "res", "mainWnd", "bg1.png"),
          png(20, 10, lambda x, y: bytes((x * 12, y * 25, 128, 255))))
    write(os.path.join(folder, "res", "mainWnd", "Cb1.png"),
          png(16, 16, lambda x, y: bytes((255, 0, 0, 128 if x < 8 else 255))))
    write(os.path.join(folder, "limit", "exact.xml"), markup_of_size(LIMIT))
    write(os.path.join(folder, "limit", "over.xml"), markup_of_size(LIMIT + 1))
    write(os.path.join(folder, "limit", "empty.xml"), b"")
    nest = "<Window>" + "<VerticalLayout>" * 200 + "</VerticalLayout>" * 200 + "</Window>"
    write(os.path.join(folder, "deep", "nest200.xml"), nest.encode("ascii"))
    pack(folder, os.path.join(out, "skin.7z"))


def make_bench(out):
    rng = random.Random(20261211)
    folder = os.path.join(out, "bench_skin")
    shutil.rmtree(folder, ignore_errors=True)
    # Noisy images keep the archive near the size of the installer's skin.
    for i in range(13):
        write(os.path.join(folder, "res", "img%02d.png" % i),
              png(96, 96, lambda x, y: bytes(rng.getrandbits(8) for _ in range(4))))
    lines = ['<?xml version="1.0" encoding="utf-8"?>',
             '<Window size="600,400" caption="0,0,0,40">',
             '<Font id="0" name="Arial" size="12"/>',
             '<Default name="Control" value="bkcolor=&quot;#FF101010&quot;"/>',
             '<VerticalLayout name="root" bkimage="res\\img00.png">']
    count = 1
    rows = 0
    while count < 600:
        lines.append('  <HorizontalLayout name="row%d" height="20" childpadding="2" '
                     'padding="1,1,1,1">' % rows)
        count += 1
        for c in range(9):
            if count >= 600:
                break
            width = ' width="%d"' % (20 + c) if c % 3 else ""
            lines.append('    <Control name="c%d_%d"%s bordercolor="#FF00FF00" '
                         'tooltip="cell &amp; %d" />' % (rows, c, width, c))
            count += 1
        lines.append("  </HorizontalLayout>")
        rows += 1
    lines.append("</VerticalLayout></Window>")
    write(os.path.join(folder, "bench.xml"), "\n".join(lines).encode("utf-8"))
    pack(folder, os.path.join(out, "bench_skin.7z"))


def main():
    if sys.argv[1] == "test":
        make_test(sys.argv[2], sys.argv[3])
    else:
        make_bench(sys.argv[2])


if __name__ == "__main__":
    main()

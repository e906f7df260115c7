#!/usr/bin/env python3
"""Cuts the seed inputs of the fuzz targets out of emulator memory images.

    tests/fuzz/make_seeds.py EMULATOR

EMULATOR is a built quorvantel-emulator. The images are the demo memory and the small
descriptions of corpus/memimage; the seeds are written into corpus/<target>/. Seeds are kept
small on purpose: libFuzzer sizes its inputs after the largest seed.
"""
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent.parent
PAGE = 264


def dump(emulator, memory):
    with tempfile.TemporaryDirectory() as tmp:
        out = Path(tmp) / "image"
        subprocess.run([emulator, "--memory", str(memory), "--dump-image", str(out)], check=True)
        return out.read_bytes()


def parse(image):
    assert image[:8] == b"QVMEMIMG" and image[8] == 1
    pos = 12

    def block():
        nonlocal pos
        (n,) = struct.unpack_from(">I", image, pos)
        pos += 4 + n
        return image[pos - n:pos]

    settings, directory = block(), block()
    (count,) = struct.unpack_from(">I", image, pos)
    pos += 4
    pages = {}
    for _ in range(count):
        (address,) = struct.unpack_from(">H", image, pos)
        pages[address] = image[pos + 2:pos + 2 + PAGE]
        pos += 2 + PAGE
    return settings, directory, pages


def entries(directory):
    return [directory[i:i + 8] for i in range(0, len(directory) - 4, 8)]


def sealed(entry_bytes):
    return entry_bytes + (sum(entry_bytes) & 0xFFFFFFFF).to_bytes(4, "big")


def ack(n):
    return b"OK\r\n" + n.to_bytes(3, "big")


def transcript(memory_bit, settings, directory, pages):
    """The instrument's answers to a whole download, in the order the host asks."""
    out = bytes([memory_bit]) + b"SER" + ack(len(settings)) + settings
    out += ack(len(directory)) + directory
    wanted = []
    for e in entries(directory):
        flags = e[7]
        in_block = flags & 0x3F
        if flags & 0x40 or bool(in_block) != bool(memory_bit):
            continue
        wanted.append(int.from_bytes(e[:2], "big"))
    if memory_bit:
        out += b"SER"  # the link connects again after the block list
    for address in wanted:
        out += ack(PAGE) + pages.get(address, b"\xff" * PAGE)
    return out


def write(target, name, data):
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


def main():
    emulator = sys.argv[1]
    demo = parse(dump(emulator, ROOT / "data/demo/demo-memory.json"))
    small_image = dump(emulator, HERE / "corpus/memimage/small.json")
    small = parse(small_image)
    generated = parse(dump(emulator, HERE / "corpus/memimage/generated.json"))

    write("memimage", "small.img", small_image)
    for name, (settings, directory, pages) in (("demo", demo), ("small", small),
                                               ("generated", generated)):
        write("settings_block", name, settings)
        # A long directory is cut to its first and last entries: a long seed slows every run.
        kept = entries(directory)
        if len(kept) > 32:
            kept = kept[:16] + kept[-16:]
        write("directory", name, sealed(b"".join(kept)))
    demo_pages = demo[2]
    addresses = sorted(demo_pages)
    # The first result pages and the last logging pages.
    for address in addresses[:2] + addresses[-2:]:
        write("page", f"demo-{address}", demo_pages[address])
    # Of the small memory: a page of kind 3 and two logging pages of different blocks.
    for address in (2, 4, 38):
        write("page", f"small-{address}", small[2][address])
    write("download", "results", transcript(0, *small))
    write("download", "logging", transcript(1, *small))
    write("download", "generated", transcript(1, *generated))


if __name__ == "__main__":
    main()

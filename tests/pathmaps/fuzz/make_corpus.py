#!/usr/bin/env python3
"""Writes the fuzzer's seed corpus: small made-up pathmaps of every kind, a few of them
damaged, and a path-finding script. The first byte of each file picks the name the fuzzer
reads it under: 0 a tiled map, 1 an 8-bit map, 2 a region map, 3 a class file."""
import os
import struct

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def header(tiles_x_log, tiles_z_log, tile_log, cell_log, bits_minus_one):
    return struct.pack("<8i", tiles_x_log, tiles_z_log, tile_log, cell_log, bits_minus_one, 2, 0, -1)


def marker(value):
    return struct.pack("<i", value)


def stripes(rows, row_bytes):
    return b"".join(bytes([0x55 if r % 2 else 0x0F] * row_bytes) for r in range(rows))


files = {
    # 2 x 2 tiles of 64 cells: cells, all blocked, all passable, cells.
    "tiled_each_kind": b"\0" + header(1, 1, 6, 0, 0) + marker(-1) + stripes(64, 8) + marker(1)
    + marker(0) + marker(-1) + bytes(64 * 8),
    # One tile of a level-2 map.
    "tiled_level2": b"\0" + header(0, 0, 8, 2, 0) + marker(-1) + stripes(64, 8),
    # A region map of 1 x 2 tiles of 32 cells, 2 bits each.
    "regions": b"\2" + header(0, 1, 6, 1, 1) + marker(-1) + bytes([0xE4] * 8 * 32) + marker(1),
    # 8-bit maps of 16 x 16 and 2 x 2 cells.
    "eight_bit_16": b"\1" + bytes((255 if (x // 4 + z // 4) % 2 else 0) for z in range(16) for x in range(16)),
    "eight_bit_2": b"\1" + bytes([0, 255, 255, 0]),
    # A class file's start.
    "class_file": b"\3" + struct.pack("<2i", 2, 2) + bytes(16 * 4),
    # Damaged: a marker of 2, bytes left over, cut in a tile, a header too large.
    "bad_marker": b"\0" + header(0, 0, 6, 0, 0) + marker(2),
    "left_over": b"\0" + header(0, 0, 6, 0, 0) + marker(0) + b"xyz",
    "cut_tile": b"\0" + header(0, 0, 6, 0, 0) + marker(-1) + bytes(100),
    "huge_header": b"\0" + header(7, 7, 6, 0, 0) + marker(0),
    # A path-finding script read as bytes.
    "script": b"\4" + b"ai.setMapSpawnPoints 0 10/20,30.5/40.25\r\nai.setMapSpawnPoints 1\r\n"
    + b"ai.setMapSpawnPoints 4 1/2, 3 / 4 ,v_pos\r\n",
}

os.makedirs(here, exist_ok=True)
for name, data in files.items():
    with open(os.path.join(here, name), "wb") as out:
        out.write(data)

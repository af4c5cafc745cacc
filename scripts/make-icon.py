#!/usr/bin/env python3
"""Writes src/resources/app.ico: a 32 x 32, 256-colour window pictogram (black outline,
light-grey title bar with a black slot, grey frame, white page with rows of black squares)."""
import struct
import sys

W = H = 32
BLACK, GREY, WHITE = 0, 1, 2
TRANSPARENT = None

grid = [[TRANSPARENT] * W for _ in range(H)]
for y in range(2, 30):
    for x in range(1, 31):
        grid[y][x] = GREY
for x in range(1, 31):
    grid[2][x] = grid[29][x] = BLACK
for y in range(2, 30):
    grid[y][1] = grid[y][30] = BLACK
for x in range(1, 31):
    grid[8][x] = BLACK            # title bar bottom edge
for y in range(4, 7):
    for x in range(24, 29):
        grid[y][x] = BLACK        # slot at the title bar's right end
for y in range(10, 28):
    for x in range(3, 29):
        grid[y][x] = WHITE        # page
rows = [(12, 5), (17, 2), (22, 3)]
for top, count in rows:
    for i in range(count):
        x0 = 5 + i * 4
        for y in range(top, top + 3):
            for x in range(x0, x0 + 3):
                grid[y][x] = BLACK

palette = [(0, 0, 0), (192, 192, 192), (255, 255, 255)] + [(0, 0, 0)] * 253
pal_bytes = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
xor = bytearray()
for y in reversed(range(H)):
    for x in range(W):
        v = grid[y][x]
        xor.append(0 if v is None else v)
andmask = bytearray()
for y in reversed(range(H)):
    bits = 0
    for x in range(W):
        bits = (bits << 1) | (1 if grid[y][x] is None else 0)
    andmask += struct.pack(">I", bits)
header = struct.pack("<IiiHHIIiiII", 40, W, H * 2, 1, 8, 0, len(xor) + len(andmask), 0, 0, 256, 0)
image = header + pal_bytes + bytes(xor) + bytes(andmask)
ico = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", W, H, 0, 0, 1, 8, len(image), 22) + image
open(sys.argv[1], "wb").write(ico)

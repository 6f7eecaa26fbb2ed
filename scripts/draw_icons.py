#!/usr/bin/env python3
"""Draws the small icons of src/source/ (window icon, export, import, state normal / error,
bus load, firmware file choice and firmware upgrade) and the application icon
packaging/zktool.png.

Pure Python (zlib only): every shape is a set of pixels tested with 4 x 4 samples per
pixel, so the edges come out smooth. Run from the repository root:

    python3 scripts/draw_icons.py
"""
import math
import os
import struct
import zlib

SIZE = 32
SUB = 4


def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def line(ax, ay, bx, by, width):
    return lambda x, y: seg_dist(x, y, ax, ay, bx, by) <= width / 2


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def triangle(p1, p2, p3):
    def side(a, b, x, y):
        return (b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0])

    def inside(x, y):
        s1, s2, s3 = side(p1, p2, x, y), side(p2, p3, x, y), side(p3, p1, x, y)
        return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)

    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def ring(cx, cy, r_outer, r_inner):
    return lambda x, y: r_inner * r_inner <= (x - cx) ** 2 + (y - cy) ** 2 <= r_outer * r_outer


def rounded_square(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    return inside


def render(layers, size=SIZE):
    """layers: list of (rgb, shape); later layers paint over earlier ones."""
    rows = []
    for py in range(size):
        row = bytearray([0])  # filter type 0
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SUB):
                for sx in range(SUB):
                    x = px + (sx + 0.5) / SUB
                    y = py + (sy + 0.5) / SUB
                    colour = None
                    for rgb, shape in layers:
                        if shape(x, y):
                            colour = rgb
                    if colour:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1
            n = acc[3]
            if n:
                row += bytes([int(acc[0] / n), int(acc[1] / n), int(acc[2] / n), int(255 * n / (SUB * SUB))])
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return b"".join(rows)


def write_png(path, raw, size=SIZE):
    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def tray(rgb):
    w = 3.0
    return [
        (rgb, line(5, 19, 5, 27, w)),
        (rgb, line(5, 27, 27, 27, w)),
        (rgb, line(27, 27, 27, 19, w)),
    ]


def main():
    out = os.path.join(os.path.dirname(__file__), "..", "src", "source")
    grey = (70, 70, 70)
    blue = (30, 110, 200)
    green = (30, 150, 60)
    white = (255, 255, 255)
    red = (200, 40, 40)

    # Window icon: a frame leaving on the bus, an arrow head over two signal lines.
    write_png(os.path.join(out, "send.png"), render(
        [(blue, circle(16, 16, 15)), (white, line(7, 12, 17, 12, 2.5)), (white, line(7, 20, 17, 20, 2.5)),
         (white, triangle((16, 7), (16, 25), (26, 16)))]))
    # Export: an arrow leaving the tray upwards.
    write_png(os.path.join(out, "export.png"), render(
        tray(grey) + [(blue, line(16, 22, 16, 10, 3.5)), (blue, triangle((8, 12), (24, 12), (16, 3)))]))
    # Import: an arrow entering the tray from above.
    write_png(os.path.join(out, "import.png"), render(
        tray(grey) + [(green, line(16, 3, 16, 15, 3.5)), (green, triangle((8, 13), (24, 13), (16, 22)))]))
    # Motor state: normal (check mark) and fault (cross).
    write_png(os.path.join(out, "normal.png"), render(
        [(green, circle(16, 16, 15)), (white, line(9, 16.5, 14, 21.5, 3.5)), (white, line(14, 21.5, 23.5, 11, 3.5))]))
    write_png(os.path.join(out, "error.png"), render(
        [(red, circle(16, 16, 15)), (white, line(10.5, 10.5, 21.5, 21.5, 3.5)), (white, line(21.5, 10.5, 10.5, 21.5, 3.5))]))
    # Firmware file choice: a folder with an arrow out of it.
    amber = (225, 160, 40)
    write_png(os.path.join(out, "folder-upload.png"), render(
        [(amber, rect(3, 6, 13, 11)), (amber, rect(3, 9, 29, 27)),
         (white, line(16, 25, 16, 16, 3.5)), (white, triangle((10, 18), (22, 18), (16, 11)))]))
    # Firmware upgrade: an arrow into a chip.
    write_png(os.path.join(out, "install.png"), render(
        [(grey, line(x, 15, x, 29, 1.5)) for x in (11, 16, 21)]
        + [(grey, line(7, y, 25, y, 1.5)) for y in (19, 25)]
        + [(grey, rect(10, 17, 22, 27)),
           (blue, line(16, 2, 16, 12, 3.5)), (blue, triangle((9, 9), (23, 9), (16, 17)))]))
    # Bus load: a gauge, its needle well to the right.
    gauge = [(grey, lambda x, y: 12.5 <= math.hypot(x - 16, y - 20) <= 15 and y <= 21)]
    write_png(os.path.join(out, "speed-up.png"), render(
        gauge + [(red, line(16, 20, 24, 10, 3)), (grey, circle(16, 20, 3))]))

    # Application icon: a motor's end face (rotor, stator ring, shaft) with the CAN pair.
    n = 256
    navy = (25, 60, 120)
    layers = [(navy, rounded_square(8, 8, n - 8, n - 8, 40)),
              (white, ring(128, 110, 80, 63)),
              (blue, circle(128, 110, 55))]
    for k in range(6):  # stator teeth
        a = k * math.pi / 3
        layers.append((white, line(128 + 55 * math.cos(a), 110 + 55 * math.sin(a),
                                   128 + 67 * math.cos(a), 110 + 67 * math.sin(a), 13)))
    layers += [(white, circle(128, 110, 17)),
               (green, line(48, 208, 208, 208, 10)),
               (white, line(48, 226, 208, 226, 10))]
    write_png(os.path.join(os.path.dirname(__file__), "..", "packaging", "zktool.png"), render(layers, n), n)


if __name__ == "__main__":
    main()

"""Times Pillow drawing the benchmark shapes onto a 2000x2000 RGB image.

Prints two figures: the median seconds of five drawing passes alone, and
(with --whole, run once per process and timed from outside) the whole job as
Kresbon does it: read the shapes from a file, draw them, write a BMP."""
import json
import sys
import time

from PIL import Image, ImageDraw


def draw(data, which):
    img = Image.new("RGB", (2000, 2000), "white")
    d = ImageDraw.Draw(img)
    if which == "lines":
        for a, b, c, e in data["lines"]:
            d.line((a, b, c, e), fill="black")
    else:
        for s in data["shapes"]:
            if s[0] == "c":
                _, x, y, r = s
                d.ellipse((x - r, y - r, x + r, y + r), outline="black")
            else:
                _, x1, y1, x2, y2 = s
                d.ellipse((x1, y1, x2, y2), outline="black")
    return img


data = json.load(open(sys.argv[1]))
which = sys.argv[2]
if len(sys.argv) > 3 and sys.argv[3] == "--whole":
    draw(data, which).save(sys.argv[4], "BMP")
    sys.exit(0)
times = []
for _ in range(5):
    start = time.perf_counter()
    draw(data, which)
    times.append(time.perf_counter() - start)
times.sort()
print(f"{times[len(times) // 2]:.3f}")

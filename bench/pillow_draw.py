"""Times Pillow drawing the benchmark shapes onto a 2000x2000 RGB image."""
import json
import sys
import time

from PIL import Image, ImageDraw

data = json.load(open(sys.argv[1]))
which = sys.argv[2]
best = []
for _ in range(5):
    start = time.perf_counter()
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
    best.append(time.perf_counter() - start)
best.sort()
print(f"{best[len(best) // 2]:.3f}")

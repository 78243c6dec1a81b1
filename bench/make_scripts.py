"""Writes the benchmark scripts and the matching Pillow workloads.

The same seeded shapes go to Kresbon (as .krs) and to Pillow (as JSON), so
both draw exactly the same work."""
import json
import random
import sys

out = sys.argv[1]
rnd = random.Random(2026)


def write(name, lines):
    with open(f"{out}/{name}.krs", "w") as f:
        f.write("\n".join(lines) + "\n")


# 100,000 lines with random end points on a 2000x2000 drawing.
lines = [(rnd.randrange(2000), rnd.randrange(2000), rnd.randrange(2000), rnd.randrange(2000))
         for _ in range(100_000)]
write("lines", ["MaximumX = 2000", "MaximumY = 2000"] +
      [f"Line {a}, {b}, {c}, {d}, Solid, 1, Black" for a, b, c, d in lines])

# 20,000 circle and ellipse outlines.
shapes = []
for i in range(20_000):
    x, y = rnd.randrange(2000), rnd.randrange(2000)
    if i % 2:
        r = rnd.randrange(1, 200)
        shapes.append(("c", x, y, r))
    else:
        shapes.append(("e", x, y, x + rnd.randrange(1, 400), y + rnd.randrange(1, 300)))
krs = ["MaximumX = 2000", "MaximumY = 2000"]
for s in shapes:
    if s[0] == "c":
        krs.append(f"Circle {s[1]}, {s[2]}, {s[3]}, Solid, 1, Black")
    else:
        krs.append(f"Ellipse {s[1]}, {s[2]}, {s[3]}, {s[4]}, Solid, 1, Black")
write("ellipses", krs)

# 100,000 points whose coordinates are expressions of three operators.
write("points", ["MaximumX = 2000", "MaximumY = 2000"] +
      [f"Point {rnd.randrange(500)}*2+{rnd.randrange(100)}-{rnd.randrange(50)}/2, "
       f"{rnd.randrange(500)}+{rnd.randrange(500)}*2-{rnd.randrange(9)}, Red"
       for _ in range(100_000)])

# 1,000 procedures and 100,000 calls of them.
procs = []
for i in range(1000):
    procs += [f"Procedure Mark{i} #x, #y", "Point #x, #y, Blue", "End"]
calls = [f"Mark{rnd.randrange(1000)} {rnd.randrange(700)}, {rnd.randrange(500)}"
         for _ in range(100_000)]
write("procedures", procs + calls)

# A fill of a 4000x4000 region.
write("fill", ["MaximumX = 4000", "MaximumY = 4000", "FillArea 10, 10, Solid, Red"])

with open(f"{out}/pillow.json", "w") as f:
    json.dump({"lines": lines, "shapes": shapes}, f)

# 1,000,000 short lines: a large script whose time is mostly its reading.
short = []
for _ in range(1_000_000):
    x, y = rnd.randrange(2000), rnd.randrange(2000)
    short.append((x, y, x + rnd.randrange(-10, 11), y + rnd.randrange(-10, 11)))
with open(f"{out}/lines_1m.krs", "w") as f:
    f.write("MaximumX = 2000\nMaximumY = 2000\n")
    f.writelines(f"Line {a}, {b}, {c}, {d}, Solid, 1, Black\n" for a, b, c, d in short)
with open(f"{out}/pillow_1m.json", "w") as f:
    json.dump({"lines": short}, f)

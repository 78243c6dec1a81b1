"""Times Pillow saving a drawing as GIF reduced to a fixed palette without
dithering: the median of five quantize-and-save passes, wall and processor
seconds. Arguments: the drawing as PPM, a GIF whose palette is used, and the
file to write."""
import sys
import time

from PIL import Image

drawing = Image.open(sys.argv[1])
drawing.load()
palette = Image.open(sys.argv[2])
palette.load()
wall, cpu = [], []
for _ in range(5):
    w, c = time.perf_counter(), time.process_time()
    drawing.quantize(palette=palette, dither=Image.Dither.NONE).save(sys.argv[3], "GIF")
    wall.append(time.perf_counter() - w)
    cpu.append(time.process_time() - c)
wall.sort()
cpu.sort()
print(f"{wall[2]:.3f} {cpu[2]:.3f}")

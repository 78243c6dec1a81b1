"""Times Pillow saving a drawing as PNG at its default compression: opens a
BMP, saves it five times and prints the median processor seconds of one
save and the size of the file in bytes."""
import os
import sys
import time

from PIL import Image

img = Image.open(sys.argv[1])
img.load()
times = []
for _ in range(5):
    start = time.process_time()
    img.save(sys.argv[2])
    times.append(time.process_time() - start)
times.sort()
print("%.3f %d" % (times[2], os.path.getsize(sys.argv[2])))

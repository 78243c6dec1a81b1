"""The picture placement job for Pillow.

  pillow_picture.py make FILE.bmp        writes a 4000x3000 24-bit BMP with
                                         smooth gradients and grain
  pillow_picture.py place FILE.bmp OUT   opens it, pastes it onto a white
                                         4000x3000 image and saves that as BMP
"""
import sys

from PIL import Image

if sys.argv[1] == "make":
    size = (4000, 3000)
    red = Image.linear_gradient("L").resize(size)
    green = Image.effect_noise(size, 40)
    blue = Image.radial_gradient("L").resize(size)
    Image.merge("RGB", (red, green, blue)).save(sys.argv[2], "BMP")
else:
    drawing = Image.new("RGB", (4000, 3000), "white")
    drawing.paste(Image.open(sys.argv[2]), (0, 0))
    drawing.save(sys.argv[3], "BMP")

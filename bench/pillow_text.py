"""Times Pillow drawing the labels of text_bench.cpp onto a 2000x2000 RGB image.

The same 10,000 labels of 10 characters (same generator), Liberation Sans
at 11 pixels per em, which is the face and size a 12-pixel cell gives,
aliased (fontmode "1") like Kresbon's text. Labels at angle 0 go straight
through ImageDraw.text; labels at 90 degrees are drawn onto a small mask
image, turned with transpose(ROTATE_90) and pasted through it. No cell
background is drawn. Prints the median seconds of five runs.
"""
import sys
import time

from PIL import Image, ImageDraw, ImageFont

FONT = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf"
LETTERS = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
MASK64 = (1 << 64) - 1


def labels():
    state = 20240601

    def next_value(bound):
        nonlocal state
        state = (state * 6364136223846793005 + 1442695040888963407) & MASK64
        return (state >> 33) % bound

    out = []
    for i in range(10000):
        x = next_value(2000)
        y = next_value(2000)
        text = "".join(LETTERS[next_value(len(LETTERS))] for _ in range(10))
        out.append((x, y, 0 if i % 2 == 0 else 90, text))
    return out


def draw_all(items, font):
    img = Image.new("RGB", (2000, 2000), "white")
    d = ImageDraw.Draw(img)
    d.fontmode = "1"
    for x, y, angle, text in items:
        if angle == 0:
            d.text((x, y), text, fill="black", font=font)
            continue
        width = int(font.getlength(text)) + 1
        mask = Image.new("L", (width, 12), 0)
        md = ImageDraw.Draw(mask)
        md.fontmode = "1"
        md.text((0, 0), text, fill=255, font=font)
        turned = mask.transpose(Image.Transpose.ROTATE_90)
        img.paste((0, 0, 0), (x, y - width), turned)
    return img


def main():
    items = labels()
    font = ImageFont.truetype(FONT, 11)
    times = []
    for _ in range(5):
        start = time.perf_counter()
        draw_all(items, font)
        times.append(time.perf_counter() - start)
    times.sort()
    print(f"{times[len(times) // 2]:.3f}")
    if len(sys.argv) > 1:
        draw_all(items, font).save(sys.argv[1])


if __name__ == "__main__":
    main()

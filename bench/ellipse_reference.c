/* The plain-C limit for the ellipse job: reads a script of
 * "MaximumX = W", "MaximumY = H", "Circle x, y, r, ..." and
 * "Ellipse x1, y1, x2, y2, ..." lines, draws each thin black outline with the
 * same integer midpoint ellipse as Kresbon on a white 24-bit drawing, and
 * writes it as a BMP file.
 *
 *   ellipse_reference SCRIPT OUTPUT.bmp [--drawing-time]
 *
 * With --drawing-time it prints the processor seconds of the drawing alone
 * (the shapes are read first, then drawn).
 */
#include <ctype.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <time.h>

static int width = 800, height = 600;
static uint8_t *bgr; /* rows top-down, 3 bytes a pixel, rows padded to 4 */
static long stride;

static void plot(int64_t x, int64_t y)
{
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    memset(bgr + y * stride + 3 * x, 0, 3);
}

/* Box left..right-1, top..bottom-1. Boxes of one or two pixels across are
 * wholly outline. */
static void ellipse(int64_t x1, int64_t y1, int64_t x2, int64_t y2)
{
    const int64_t left = x1 < x2 ? x1 : x2, right = x1 < x2 ? x2 : x1;
    const int64_t top = y1 < y2 ? y1 : y2, bottom = y1 < y2 ? y2 : y1;
    const int64_t w = right - left, h = bottom - top;
    if (w == 0 || h == 0) return;
    if (w <= 2 || h <= 2) {
        for (int64_t y = top; y < bottom; ++y)
            for (int64_t x = left; x < right; ++x) plot(x, y);
        return;
    }
    /* Alois Zingl's ellipse, one quadrant mirrored four times. */
    const int64_t a = w - 1, b = h - 1;
    int64_t dx = 4 * b * b * (1 - a), dy = 4 * a * a * (1 + b % 2);
    int64_t err = dx + dy + a * a * (b % 2);
    int64_t x = a, y = h / 2, lastY = y;
    while (x >= w / 2) {
        const int64_t e2 = 2 * err;
        plot(left + x, bottom - 1 - y);
        plot(right - 1 - x, bottom - 1 - y);
        plot(left + x, top + y);
        plot(right - 1 - x, top + y);
        lastY = y;
        if (e2 >= dx) {
            --x;
            dx += 8 * b * b;
            err += dx;
        }
        if (e2 <= dy) {
            ++y;
            dy += 8 * a * a;
            err += dy;
        }
    }
    for (y = lastY + 1; y < h; ++y) {
        plot(left + w / 2, bottom - 1 - y);
        plot(right - 1 - w / 2, bottom - 1 - y);
        plot(left + w / 2, top + y);
        plot(right - 1 - w / 2, top + y);
    }
}

/* Reads up to n comma-separated whole numbers after the command word. */
static int numbers(const char *p, long *out, int n)
{
    int got = 0;
    while (got < n) {
        char *end;
        while (*p == ' ' || *p == '\t') ++p;
        out[got] = strtol(p, &end, 10);
        if (end == p) break;
        ++got;
        p = end;
        while (*p == ' ' || *p == '\t') ++p;
        if (*p != ',') break;
        ++p;
    }
    return got;
}

static void put32(uint8_t *p, uint32_t v)
{
    p[0] = v & 0xFF;
    p[1] = (v >> 8) & 0xFF;
    p[2] = (v >> 16) & 0xFF;
    p[3] = v >> 24;
}

static void prepare(void)
{
    stride = (3L * width + 3) / 4 * 4;
    bgr = malloc((size_t)stride * height);
    if (!bgr) exit(1);
    memset(bgr, 0xFF, (size_t)stride * height);
}

int main(int argc, char **argv)
{
    if (argc != 3 && argc != 4) {
        fprintf(stderr, "usage: ellipse_reference SCRIPT OUTPUT.bmp [--drawing-time]\n");
        return 2;
    }
    FILE *in = fopen(argv[1], "rb");
    if (!in) return 1;
    fseek(in, 0, SEEK_END);
    const long size = ftell(in);
    fseek(in, 0, SEEK_SET);
    char *text = malloc((size_t)size + 1);
    if (!text || fread(text, 1, (size_t)size, in) != (size_t)size) return 1;
    fclose(in);
    text[size] = 0;

    long (*shapes)[4] = malloc(sizeof *shapes * (size_t)(size / 8 + 1));
    long count = 0;
    if (!shapes) return 1;
    for (char *line = text; *line;) {
        char *next = strchr(line, '\n');
        if (next) *next++ = 0;
        else next = line + strlen(line);
        long v[4];
        if (strncasecmp(line, "MaximumX", 8) == 0 && numbers(strchr(line, '=') + 1, v, 1) == 1) {
            width = (int)v[0];
        } else if (strncasecmp(line, "MaximumY", 8) == 0 && numbers(strchr(line, '=') + 1, v, 1) == 1) {
            height = (int)v[0];
        } else if (strncasecmp(line, "Circle ", 7) == 0 && numbers(line + 7, v, 3) == 3) {
            long *s = shapes[count++];
            s[0] = v[0] - v[2], s[1] = v[1] - v[2], s[2] = v[0] + v[2], s[3] = v[1] + v[2];
        } else if (strncasecmp(line, "Ellipse ", 8) == 0 && numbers(line + 8, v, 4) == 4) {
            memcpy(shapes[count++], v, sizeof v);
        }
        line = next;
    }

    prepare();
    const clock_t start = clock();
    for (long i = 0; i < count; ++i) ellipse(shapes[i][0], shapes[i][1], shapes[i][2], shapes[i][3]);
    if (argc > 3 && strcmp(argv[3], "--drawing-time") == 0)
        printf("%.3f\n", (double)(clock() - start) / CLOCKS_PER_SEC);

    uint8_t header[54] = {'B', 'M'};
    put32(header + 2, (uint32_t)(54 + stride * height));
    put32(header + 10, 54);
    put32(header + 14, 40);
    put32(header + 18, (uint32_t)width);
    put32(header + 22, (uint32_t)height);
    header[26] = 1;
    header[28] = 24;
    put32(header + 34, (uint32_t)(stride * height));
    FILE *out = fopen(argv[2], "wb");
    if (!out) return 1;
    fwrite(header, 1, sizeof header, out);
    for (int y = height - 1; y >= 0; --y) fwrite(bgr + (long)y * stride, 1, (size_t)stride, out);
    return fclose(out) == 0 ? 0 : 1;
}

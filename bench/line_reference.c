/* The line job written plainly in C, as the yardstick for Kresbon's time:
 * reads "MaximumX = n", "MaximumY = n" and "Line x1, y1, x2, y2, ..." lines,
 * draws each line with Bresenham's algorithm in black on white and writes a
 * 24-bit BMP.
 *
 *   line_reference script.krs out.bmp
 */
#include <ctype.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

static int width = 2000, height = 2000;
static uint32_t *pixels;

static void plot(int x, int y)
{
    if (x >= 0 && y >= 0 && x < width && y < height) pixels[(size_t)y * width + x] = 0;
}

static void line(int x1, int y1, int x2, int y2)
{
    const int dx = abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
    const int dy = -abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        plot(x1, y1);
        if (x1 == x2 && y1 == y2) break;
        const int e2 = 2 * err;
        if (e2 >= dy) { err += dy; x1 += sx; }
        if (e2 <= dx) { err += dx; y1 += sy; }
    }
}

static const char *skip_blanks(const char *p)
{
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

/* A number followed by an optional comma; 0 when there is none. */
static int read_number(const char **p, double *value)
{
    char *end;
    *value = strtod(*p, &end);
    if (end == *p) return 0;
    *p = skip_blanks(end);
    if (**p == ',') *p = skip_blanks(*p + 1);
    return 1;
}

static const char *size_value(const char *p, const char *name, int *target)
{
    const size_t n = strlen(name);
    if (strncasecmp(p, name, n) != 0) return NULL;
    p = skip_blanks(p + n);
    if (*p != '=') return NULL;
    *target = (int)floor(strtod(p + 1, NULL));
    return p;
}

static void put16(unsigned char *b, unsigned v) { b[0] = v & 255; b[1] = v >> 8 & 255; }
static void put32(unsigned char *b, unsigned v) { put16(b, v & 0xFFFF); put16(b + 2, v >> 16); }

static int write_bmp(const char *path)
{
    const size_t stride = ((size_t)width * 3 + 3) & ~(size_t)3;
    unsigned char header[54] = {'B', 'M'};
    put32(header + 2, (unsigned)(54 + stride * height));
    put32(header + 10, 54);
    put32(header + 14, 40);
    put32(header + 18, (unsigned)width);
    put32(header + 22, (unsigned)height);
    put16(header + 26, 1);
    put16(header + 28, 24);
    put32(header + 34, (unsigned)(stride * height));
    FILE *f = fopen(path, "wb");
    if (!f) return 0;
    unsigned char *row = calloc(stride, 1);
    fwrite(header, 1, sizeof header, f);
    for (int y = height - 1; y >= 0; --y) {
        const uint32_t *src = pixels + (size_t)y * width;
        for (int x = 0; x < width; ++x) {
            row[3 * x] = src[x] & 255;
            row[3 * x + 1] = src[x] >> 8 & 255;
            row[3 * x + 2] = src[x] >> 16 & 255;
        }
        fwrite(row, 1, stride, f);
    }
    free(row);
    return fclose(f) == 0;
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: line_reference script.krs out.bmp\n");
        return 2;
    }
    FILE *f = fopen(argv[1], "rb");
    if (!f) return 2;
    fseek(f, 0, SEEK_END);
    const long size = ftell(f);
    fseek(f, 0, SEEK_SET);
    char *text = malloc((size_t)size + 1);
    if (!text || fread(text, 1, (size_t)size, f) != (size_t)size) return 2;
    fclose(f);
    text[size] = '\0';

    for (char *p = text; *p;) {
        char *next = strchr(p, '\n');
        if (next) *next = '\0';
        const char *s = skip_blanks(p);
        if (!size_value(s, "MaximumX", &width) && !size_value(s, "MaximumY", &height) &&
            strncasecmp(s, "Line", 4) == 0 && isblank((unsigned char)s[4])) {
            if (!pixels) {
                pixels = malloc((size_t)width * height * sizeof *pixels);
                memset(pixels, 0xFF, (size_t)width * height * sizeof *pixels);
            }
            double v[4];
            s = skip_blanks(s + 5);
            if (read_number(&s, &v[0]) && read_number(&s, &v[1]) && read_number(&s, &v[2]) &&
                read_number(&s, &v[3]))
                line((int)floor(v[0]), (int)floor(v[1]), (int)floor(v[2]), (int)floor(v[3]));
        }
        if (!next) break;
        p = next + 1;
    }
    if (!pixels) {
        pixels = malloc((size_t)width * height * sizeof *pixels);
        memset(pixels, 0xFF, (size_t)width * height * sizeof *pixels);
    }
    return write_bmp(argv[2]) ? 0 : 1;
}

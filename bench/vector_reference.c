/* The vector line job written with cairo directly, as the yardstick for
 * Kresbon's SVG and PDF output: reads "MaximumX = n", "MaximumY = n" and
 * "Line x1, y1, x2, y2, ..." lines and strokes each line, one pixel wide in
 * black, onto an SVG or PDF surface of the drawing's size in millimetres.
 * Prints the median processor time of five writes and the file's size.
 *
 *   vector_reference script.krs out.svg|out.pdf
 */
#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <time.h>

static int width = 2000, height = 2000;
static double *coords;
static size_t count;

static void read_script(const char *path)
{
    FILE *f = fopen(path, "r");
    if (!f) { perror(path); exit(2); }
    char line[512];
    size_t capacity = 1024;
    coords = malloc(capacity * 4 * sizeof *coords);
    while (fgets(line, sizeof line, f)) {
        double a, b, c, d;
        if (sscanf(line, "MaximumX = %d", &width) == 1 || sscanf(line, "MaximumY = %d", &height) == 1) continue;
        if (strncasecmp(line, "Line ", 5) != 0 || sscanf(line + 5, "%lf , %lf , %lf , %lf", &a, &b, &c, &d) != 4)
            continue;
        if (count == capacity) coords = realloc(coords, (capacity *= 2) * 4 * sizeof *coords);
        coords[count * 4] = a, coords[count * 4 + 1] = b, coords[count * 4 + 2] = c, coords[count * 4 + 3] = d;
        ++count;
    }
    fclose(f);
}

static void write_file(const char *out)
{
    const double points = 72 / 25.4;
    const int pdf = strlen(out) > 4 && strcasecmp(out + strlen(out) - 4, ".pdf") == 0;
    cairo_surface_t *s = pdf ? cairo_pdf_surface_create(out, width * points, height * points)
                             : cairo_svg_surface_create(out, width * points, height * points);
    cairo_t *cr = cairo_create(s);
    cairo_scale(cr, points, points);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 1);
    for (size_t i = 0; i < count; ++i) {
        const double *p = coords + i * 4;
        cairo_move_to(cr, p[0] + 0.5, p[1] + 0.5);
        cairo_line_to(cr, p[2] + 0.5, p[3] + 0.5);
    }
    cairo_stroke(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(s);
}

static int compare(const void *a, const void *b)
{
    const double x = *(const double *)a, y = *(const double *)b;
    return (x > y) - (x < y);
}

int main(int argc, char **argv)
{
    if (argc != 3) { fprintf(stderr, "usage: vector_reference script.krs out.svg|out.pdf\n"); return 2; }
    read_script(argv[1]);
    double times[5];
    for (int i = 0; i < 5; ++i) {
        struct timespec a, b;
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
        write_file(argv[2]);
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
        times[i] = (b.tv_sec - a.tv_sec) + (b.tv_nsec - a.tv_nsec) / 1e9;
    }
    qsort(times, 5, sizeof *times, compare);
    struct stat st;
    stat(argv[2], &st);
    printf("%.3f %lld\n", times[2], (long long)st.st_size);
    return 0;
}

// Runs one .krs case through kresbon-render and checks the expectations
// written in its leading comment lines:
//   % args: --layers 1,3          extra options for kresbon-render
//   % exit: 1                     expected exit status (default 0)
//   % stderr: Line 2:             expected standard error, one line each
//   % pixel: 10,20 = FF0000       colour of a pixel of the 24-bit drawing
//   % count: FF0000 = 11          number of pixels of that colour
//   % size: 200x100               size of the drawing
// The drawing is written at 24 bits unless the args choose a depth.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0xRRGGBB, top-down
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::uint32_t le32(const std::string& b, std::size_t at)
{
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8 |
           static_cast<unsigned char>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

bool readBitmap(const std::string& path, Bitmap& bmp, std::string& error)
{
    const std::string b = readFile(path);
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') {
        error = "no BMP written at " + path;
        return false;
    }
    const std::uint32_t offset = le32(b, 10);
    bmp.width = static_cast<int>(le32(b, 18));
    const int h = static_cast<int>(le32(b, 22));
    bmp.height = h < 0 ? -h : h;
    const int bits = static_cast<unsigned char>(b[28]) | static_cast<unsigned char>(b[29]) << 8;
    if (bits != 24 && bits != 32) {
        error = "pixel probes need a 24- or 32-bit drawing";
        return false;
    }
    const std::size_t bpp = bits / 8;
    const std::size_t stride = (bmp.width * bpp + 3) / 4 * 4;
    if (b.size() < offset + stride * bmp.height) {
        error = "truncated BMP";
        return false;
    }
    bmp.pixels.resize(static_cast<std::size_t>(bmp.width) * bmp.height);
    for (int y = 0; y < bmp.height; ++y) {
        const int fileRow = h < 0 ? y : bmp.height - 1 - y;
        const std::size_t row = offset + fileRow * stride;
        for (int x = 0; x < bmp.width; ++x) {
            const std::size_t p = row + x * bpp;
            bmp.pixels[static_cast<std::size_t>(y) * bmp.width + x] =
                static_cast<unsigned char>(b[p + 2]) << 16 | static_cast<unsigned char>(b[p + 1]) << 8 |
                static_cast<unsigned char>(b[p]);
        }
    }
    return true;
}

std::string trim(const std::string& s)
{
    const auto a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: kresbon_script_cases RENDERER CASE.krs\n";
        return 2;
    }
    const std::string renderer = argv[1];
    const std::string script = argv[2];

    std::string args;
    int expectedExit = 0;
    std::vector<std::string> expectedStderr;
    bool checkStderr = false;
    std::vector<std::string> probes, counts, sizes;

    std::istringstream lines(readFile(script));
    for (std::string line; std::getline(lines, line);) {
        line = trim(line);
        if (!line.starts_with("%")) break;
        const std::string body = trim(line.substr(1));
        const auto colon = body.find(':');
        if (colon == std::string::npos) continue;
        const std::string key = body.substr(0, colon);
        const std::string value = trim(body.substr(colon + 1));
        if (key == "args") args += " " + value;
        else if (key == "exit") expectedExit = std::stoi(value);
        else if (key == "stderr") checkStderr = true, expectedStderr.push_back(value);
        else if (key == "pixel") probes.push_back(value);
        else if (key == "count") counts.push_back(value);
        else if (key == "size") sizes.push_back(value);
    }

    const bool needsImage = !probes.empty() || !counts.empty() || !sizes.empty();
    const std::string image = std::string("/tmp/kresbon_case_") + std::to_string(::getpid()) + ".bmp";
    const std::string errors = image + ".err";
    std::string command = "'" + renderer + "'" + args;
    if (needsImage) {
        if (args.find("--depth") == std::string::npos) command += " --depth 24";
        command += " --output " + image;
    }
    command += " '" + script + "' 2>" + errors + " >/dev/null";
    const int raw = std::system(command.c_str());
    const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;

    int failures = 0;
    auto fail = [&](const std::string& what) {
        std::cerr << script << ": " << what << '\n';
        ++failures;
    };
    if (status != expectedExit)
        fail("exit status " + std::to_string(status) + ", expected " + std::to_string(expectedExit));

    const std::string stderrText = readFile(errors);
    std::remove(errors.c_str());
    if (checkStderr) {
        // Lines are compared without their surrounding blanks, which editors
        // tend to strip from the case files.
        std::string expected, actual;
        for (const auto& l : expectedStderr) expected += l + "\n";
        std::istringstream in(stderrText);
        for (std::string l; std::getline(in, l);) actual += trim(l) + "\n";
        if (actual != expected) fail("standard error was:\n" + stderrText + "expected:\n" + expected);
    }

    if (needsImage) {
        Bitmap bmp;
        std::string error;
        if (!readBitmap(image, bmp, error)) {
            fail(error);
        } else {
            for (const auto& s : sizes) {
                const std::string actual = std::to_string(bmp.width) + "x" + std::to_string(bmp.height);
                if (actual != s) fail("size " + actual + ", expected " + s);
            }
            for (const auto& p : probes) {
                int x = 0, y = 0;
                unsigned colour = 0;
                if (std::sscanf(p.c_str(), "%d,%d = %x", &x, &y, &colour) != 3) {
                    fail("bad pixel line: " + p);
                    continue;
                }
                if (x < 0 || y < 0 || x >= bmp.width || y >= bmp.height) {
                    fail("pixel outside the drawing: " + p);
                    continue;
                }
                const unsigned actual = bmp.pixels[static_cast<std::size_t>(y) * bmp.width + x];
                if (actual != colour) {
                    char buf[64];
                    std::snprintf(buf, sizeof buf, "%06X", actual);
                    fail("pixel " + p + " is " + buf);
                }
            }
            for (const auto& c : counts) {
                unsigned colour = 0;
                long expected = 0;
                if (std::sscanf(c.c_str(), "%x = %ld", &colour, &expected) != 2) {
                    fail("bad count line: " + c);
                    continue;
                }
                long n = 0;
                for (auto px : bmp.pixels) n += px == colour;
                if (n != expected) fail("count " + c + " is " + std::to_string(n));
            }
        }
        std::remove(image.c_str());
    }
    return failures == 0 ? 0 : 1;
}

// Draws the program's artwork: the illustration (a development
// environment's New Project dialog with the Tessaloom templates, 470 x 328,
// 24 bits per pixel) and the icon (32 x 32 and 16 x 16, 16 colours).
//
//   orvane_draw_art <illustration.bmp> <icon.ico>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Colour {
    std::uint8_t r, g, b;
};

constexpr Colour kWhite{255, 255, 255}, kBlack{0, 0, 0}, kFace{212, 208, 200},
    kShadow{128, 128, 128}, kDark{64, 64, 64}, kTitle{10, 36, 106}, kTitleEnd{166, 202, 240},
    kSelect{49, 106, 197}, kFolder{240, 200, 80}, kFolderEdge{160, 120, 20}, kBlue{0, 0, 128},
    kGreen{0, 128, 0}, kRed{192, 0, 0};

// A 5 x 7 capital font: each glyph is seven rows of five bits.
struct Glyph {
    char c;
    std::uint8_t rows[7];
};

const Glyph kFont[] = {
    {'A', {14, 17, 17, 31, 17, 17, 17}}, {'B', {30, 17, 17, 30, 17, 17, 30}},
    {'C', {14, 17, 16, 16, 16, 17, 14}}, {'D', {30, 17, 17, 17, 17, 17, 30}},
    {'E', {31, 16, 16, 30, 16, 16, 31}}, {'F', {31, 16, 16, 30, 16, 16, 16}},
    {'G', {14, 17, 16, 23, 17, 17, 15}}, {'H', {17, 17, 17, 31, 17, 17, 17}},
    {'I', {14, 4, 4, 4, 4, 4, 14}},      {'J', {7, 2, 2, 2, 2, 18, 12}},
    {'K', {17, 18, 20, 24, 20, 18, 17}}, {'L', {16, 16, 16, 16, 16, 16, 31}},
    {'M', {17, 27, 21, 21, 17, 17, 17}}, {'N', {17, 17, 25, 21, 19, 17, 17}},
    {'O', {14, 17, 17, 17, 17, 17, 14}}, {'P', {30, 17, 17, 30, 16, 16, 16}},
    {'Q', {14, 17, 17, 17, 21, 18, 13}}, {'R', {30, 17, 17, 30, 20, 18, 17}},
    {'S', {15, 16, 16, 14, 1, 1, 30}},   {'T', {31, 4, 4, 4, 4, 4, 4}},
    {'U', {17, 17, 17, 17, 17, 17, 14}}, {'V', {17, 17, 17, 17, 17, 10, 4}},
    {'W', {17, 17, 17, 21, 21, 21, 10}}, {'X', {17, 17, 10, 4, 10, 17, 17}},
    {'Y', {17, 17, 10, 4, 4, 4, 4}},     {'Z', {31, 1, 2, 4, 8, 16, 31}},
    {'0', {14, 17, 19, 21, 25, 17, 14}}, {'1', {4, 12, 4, 4, 4, 4, 14}},
    {'2', {14, 17, 1, 2, 4, 8, 31}},     {'3', {31, 2, 4, 2, 1, 17, 14}},
    {'4', {2, 6, 10, 18, 31, 2, 2}},     {'5', {31, 16, 30, 1, 1, 17, 14}},
    {'6', {6, 8, 16, 30, 17, 17, 14}},   {'7', {31, 1, 2, 4, 8, 8, 8}},
    {'8', {14, 17, 17, 14, 17, 17, 14}}, {'9', {14, 17, 17, 15, 1, 2, 12}},
    {'.', {0, 0, 0, 0, 0, 12, 12}},      {':', {0, 12, 12, 0, 12, 12, 0}},
    {'+', {0, 4, 4, 31, 4, 4, 0}},       {'-', {0, 0, 0, 31, 0, 0, 0}},
    {'\\', {16, 16, 8, 4, 2, 1, 1}},     {'(', {2, 4, 8, 8, 8, 4, 2}},
    {')', {8, 4, 2, 2, 2, 4, 8}},        {'?', {14, 17, 1, 2, 4, 0, 4}},
};

class Canvas {
  public:
    Canvas(int width, int height)
        : width_(width), height_(height), pixels_(width * height, kFace) {}

    int width() const { return width_; }
    int height() const { return height_; }
    Colour At(int x, int y) const { return pixels_[y * width_ + x]; }

    void Set(int x, int y, Colour c) {
        if (x >= 0 && y >= 0 && x < width_ && y < height_) {
            pixels_[y * width_ + x] = c;
        }
    }
    void Fill(int x, int y, int w, int h, Colour c) {
        for (int j = y; j < y + h; ++j) {
            for (int i = x; i < x + w; ++i) {
                Set(i, j, c);
            }
        }
    }
    void Frame(int x, int y, int w, int h, Colour c) {
        Fill(x, y, w, 1, c);
        Fill(x, y + h - 1, w, 1, c);
        Fill(x, y, 1, h, c);
        Fill(x + w - 1, y, 1, h, c);
    }
    // A sunken field or a raised button, in the classic two-tone bevel.
    void Bevel(int x, int y, int w, int h, bool raised) {
        const Colour light = raised ? kWhite : kShadow;
        const Colour dark = raised ? kShadow : kWhite;
        Fill(x, y, w, 1, light);
        Fill(x, y, 1, h, light);
        Fill(x, y + h - 1, w, 1, dark);
        Fill(x + w - 1, y, 1, h, dark);
    }
    void Text(int x, int y, const std::string& text, Colour c) {
        for (char ch : text) {
            if (ch >= 'a' && ch <= 'z') {
                ch = static_cast<char>(ch - 'a' + 'A');
            }
            for (const Glyph& g : kFont) {
                if (g.c != ch) {
                    continue;
                }
                for (int row = 0; row < 7; ++row) {
                    for (int col = 0; col < 5; ++col) {
                        if (g.rows[row] & (16 >> col)) {
                            Set(x + col, y + row, c);
                        }
                    }
                }
            }
            x += 6;
        }
    }
    void FolderIcon(int x, int y, Colour body, Colour edge) {
        Fill(x, y + 1, 5, 2, body);
        Fill(x, y + 3, 11, 7, body);
        Frame(x, y + 3, 11, 7, edge);
    }
    // A large template icon: a page with a coloured emblem.
    void TemplateIcon(int x, int y, Colour emblem) {
        Fill(x + 4, y, 24, 30, kWhite);
        Frame(x + 4, y, 24, 30, kDark);
        Fill(x + 8, y + 5, 16, 3, kShadow);
        Fill(x + 8, y + 10, 12, 2, kShadow);
        Fill(x + 10, y + 15, 12, 11, emblem);
        Frame(x + 10, y + 15, 12, 11, kBlack);
    }

  private:
    int width_, height_;
    std::vector<Colour> pixels_;
};

void DrawIllustration(Canvas& c) {
    const int w = c.width(), h = c.height();
    c.Frame(0, 0, w, h, kDark);
    c.Bevel(1, 1, w - 2, h - 2, true);
    for (int x = 3; x < w - 3; ++x) {  // caption with its gradient
        const int t = (x - 3) * 255 / (w - 7);
        const Colour g{static_cast<std::uint8_t>(kTitle.r + (kTitleEnd.r - kTitle.r) * t / 255),
                       static_cast<std::uint8_t>(kTitle.g + (kTitleEnd.g - kTitle.g) * t / 255),
                       static_cast<std::uint8_t>(kTitle.b + (kTitleEnd.b - kTitle.b) * t / 255)};
        c.Fill(x, 3, 1, 18, g);
    }
    c.Text(8, 9, "New Project", kWhite);
    c.Fill(w - 21, 5, 16, 14, kFace);
    c.Bevel(w - 21, 5, 16, 14, true);
    c.Text(w - 16, 9, "X", kBlack);

    // Project types, with the Tessaloom folder selected under Visual C++.
    c.Text(10, 30, "Project types:", kBlack);
    c.Fill(10, 42, 170, 190, kWhite);
    c.Bevel(10, 42, 170, 190, false);
    const char* const types[] = {"Visual C++", "ATL",          "CLR",       "General",
                                 "MFC",        "Smart Device", "Tessaloom", "Win32"};
    for (int i = 0; i < 8; ++i) {
        const int indent = i == 0 ? 0 : 14;
        const int y = 48 + i * 16;
        if (i == 6) {
            c.Fill(30 + indent, y - 1, 68, 13, kSelect);
        }
        c.FolderIcon(16 + indent, y, kFolder, kFolderEdge);
        c.Text(32 + indent, y + 3, types[i], i == 6 ? kWhite : kBlack);
    }
    c.Text(20, 48 + 8 * 16 + 3, "Other Languages", kShadow);
    c.Text(20, 48 + 9 * 16 + 3, "Other Project Types", kShadow);

    // The Tessaloom shell-extension templates.
    c.Text(192, 30, "Templates:", kBlack);
    c.Fill(192, 42, 268, 190, kWhite);
    c.Bevel(192, 42, 268, 190, false);
    c.Text(198, 48, "Tessaloom Shell Extensions", kBlue);
    const char* const names[][2] = {{"Column", "Extension"},    {"Context Menu", "Extension"},
                                    {"Copy Hook", "Extension"}, {"Desk Band", ""},
                                    {"Dir Background", "Menu"}, {"Disk Cleanup", "Extension"}};
    const Colour emblems[] = {kBlue, kGreen, kRed, kSelect, kFolderEdge, kDark};
    for (int i = 0; i < 6; ++i) {
        const int x = 200 + (i % 3) * 86;
        const int y = 64 + (i / 3) * 80;
        c.TemplateIcon(x + 22, y, emblems[i]);
        const std::string first = names[i][0], second = names[i][1];
        c.Text(x + 38 - static_cast<int>(first.size()) * 3, y + 36, first, kBlack);
        c.Text(x + 38 - static_cast<int>(second.size()) * 3, y + 46, second, kBlack);
    }

    // Name, location and the buttons.
    c.Text(10, 244, "A project for creating a Tessaloom shell extension", kBlack);
    c.Fill(10, 256, w - 20, 1, kShadow);
    c.Text(10, 266, "Name:", kBlack);
    c.Fill(80, 262, 300, 16, kWhite);
    c.Bevel(80, 262, 300, 16, false);
    c.Text(84, 267, "ShellExtension1", kBlack);
    c.Text(10, 288, "Location:", kBlack);
    c.Fill(80, 284, 300, 16, kWhite);
    c.Bevel(80, 284, 300, 16, false);
    c.Text(84, 289, "C:\\Projects", kBlack);
    for (int i = 0; i < 2; ++i) {
        const int x = 390 + 0 * i, y = 262 + i * 24;
        c.Bevel(x, y, 70, 20, true);
        c.Text(x + (i == 0 ? 29 : 17), y + 7, i == 0 ? "OK" : "Cancel", kBlack);
    }
    c.Frame(389, 261, 72, 22, kBlack);
}

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<std::uint8_t>& out, unsigned v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

bool WriteFile(const char* path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

void PutInfoHeader(std::vector<std::uint8_t>& out, int w, int h, int bits, unsigned imageSize,
                   unsigned colours) {
    Put32(out, 40);
    Put32(out, static_cast<unsigned>(w));
    Put32(out, static_cast<unsigned>(h));
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(bits));
    Put32(out, 0);  // uncompressed
    Put32(out, imageSize);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, colours);
    Put32(out, 0);
}

std::vector<std::uint8_t> Bitmap24(const Canvas& c) {
    const int stride = (c.width() * 3 + 3) & ~3;
    const unsigned imageSize = static_cast<unsigned>(stride * c.height());
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, 14 + 40 + imageSize);
    Put32(out, 0);
    Put32(out, 14 + 40);
    PutInfoHeader(out, c.width(), c.height(), 24, imageSize, 0);
    for (int y = c.height() - 1; y >= 0; --y) {
        for (int x = 0; x < c.width(); ++x) {
            const Colour p = c.At(x, y);
            out.push_back(p.b);
            out.push_back(p.g);
            out.push_back(p.r);
        }
        for (int pad = c.width() * 3; pad < stride; ++pad) {
            out.push_back(0);
        }
    }
    return out;
}

// The 16 colours of the classic palette.
const Colour kPalette[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                             {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                             {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                             {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

// The icon's motif: a folder holding a blue page with a red emblem. Cells
// are palette indexes; 16 is transparent.
int IconCell(int x, int y, int size) {
    const int u = x * 32 / size, v = y * 32 / size;
    if (u >= 12 && u < 30 && v >= 2 && v < 22) {  // page
        if (u == 12 || u == 29 || v == 2 || v == 21) {
            return 0;
        }
        if (u >= 17 && u < 25 && v >= 9 && v < 17) {
            return 9;
        }
        return 15;
    }
    if (u >= 2 && u < 30 && v >= 10 && v < 30) {  // folder front
        if (u == 2 || u == 29 || v == 10 || v == 29) {
            return 3;
        }
        return 11;
    }
    if (u >= 2 && u < 12 && v >= 7 && v < 10) {  // folder tab
        return 3;
    }
    return 16;
}

void PutIconImage(std::vector<std::uint8_t>& out, int size) {
    const unsigned xorStride = static_cast<unsigned>(((size * 4 + 31) / 32) * 4);
    const unsigned andStride = static_cast<unsigned>(((size + 31) / 32) * 4);
    PutInfoHeader(out, size, size * 2, 4, (xorStride + andStride) * static_cast<unsigned>(size),
                  16);
    for (const Colour& p : kPalette) {
        out.push_back(p.b);
        out.push_back(p.g);
        out.push_back(p.r);
        out.push_back(0);
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(xorStride, 0);
        for (int x = 0; x < size; ++x) {
            const int cell = IconCell(x, y, size);
            const int index = cell == 16 ? 0 : cell;
            row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(andStride, 0);
        for (int x = 0; x < size; ++x) {
            if (IconCell(x, y, size) == 16) {
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
}

std::vector<std::uint8_t> Icon() {
    const int sizes[] = {32, 16};
    std::vector<std::vector<std::uint8_t>> images;
    for (int size : sizes) {
        images.emplace_back();
        PutIconImage(images.back(), size);
    }
    std::vector<std::uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, 2);
    unsigned offset = 6 + 16 * 2;
    for (int i = 0; i < 2; ++i) {
        out.push_back(static_cast<std::uint8_t>(sizes[i]));
        out.push_back(static_cast<std::uint8_t>(sizes[i]));
        out.push_back(16);
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 4);
        Put32(out, static_cast<unsigned>(images[i].size()));
        Put32(out, offset);
        offset += static_cast<unsigned>(images[i].size());
    }
    for (const auto& image : images) {
        out.insert(out.end(), image.begin(), image.end());
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <illustration.bmp> <icon.ico>\n", argv[0]);
        return 2;
    }
    Canvas canvas(470, 328);
    DrawIllustration(canvas);
    if (!WriteFile(argv[1], Bitmap24(canvas)) || !WriteFile(argv[2], Icon())) {
        std::perror("orvane_draw_art");
        return 1;
    }
    return 0;
}

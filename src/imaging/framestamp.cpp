#include "imaging/framestamp.h"

#include <algorithm>
#include <array>

namespace lumisk {

namespace {

constexpr int kGlyphWidth = 5, kGlyphHeight = 7;

struct TGlyph {
    char Character;
    std::array<const char*, kGlyphHeight> Rows;
};

// Five by seven: enough for dates and times, drawn the same everywhere.
constexpr TGlyph kGlyphs[] = {
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {'9', {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."}},
    {'-', {".....", ".....", ".....", "#####", ".....", ".....", "....."}},
    {':', {".....", ".##..", ".##..", ".....", ".##..", ".##..", "....."}},
};

const TGlyph* GlyphOf(char c) {
    for (const TGlyph& glyph : kGlyphs)
        if (glyph.Character == c) return &glyph;
    return nullptr;
}

} // namespace

QImage StampCorner(const QImage& picture, const std::string& text) {
    if (picture.isNull()) return picture;
    QImage stamped = picture.convertToFormat(QImage::Format_RGB32);
    // A dot for every 240 lines (one pixel at least) keeps the text small
    // beside the picture and readable on a large one.
    const int dot = std::max(1, stamped.height() / 240);
    const int pad = 2 * dot;
    const int count = static_cast<int>(text.size());
    const int boxWidth = (count * (kGlyphWidth + 1) - 1) * dot + 2 * pad;
    const int boxHeight = kGlyphHeight * dot + 2 * pad;
    const int right = stamped.width() - dot, bottom = stamped.height() - dot;
    const int left = right - boxWidth, top = bottom - boxHeight;

    // The box keeps a third of the picture's light: light glyphs stand out
    // on white as on black.
    for (int y = std::max(0, top); y < bottom; ++y) {
        auto* line = reinterpret_cast<QRgb*>(stamped.scanLine(y));
        for (int x = std::max(0, left); x < right; ++x)
            line[x] = qRgb(qRed(line[x]) / 3, qGreen(line[x]) / 3, qBlue(line[x]) / 3);
    }
    for (int k = 0; k < count; ++k) {
        const TGlyph* glyph = GlyphOf(text[static_cast<std::size_t>(k)]);
        if (!glyph) continue;
        const int glyphLeft = left + pad + k * (kGlyphWidth + 1) * dot;
        for (int row = 0; row < kGlyphHeight; ++row)
            for (int column = 0; column < kGlyphWidth; ++column) {
                if (glyph->Rows[static_cast<std::size_t>(row)][column] != '#') continue;
                for (int y = top + pad + row * dot; y < top + pad + (row + 1) * dot; ++y) {
                    if (y < 0) continue;
                    auto* line = reinterpret_cast<QRgb*>(stamped.scanLine(y));
                    for (int x = glyphLeft + column * dot; x < glyphLeft + (column + 1) * dot; ++x)
                        if (x >= 0) line[x] = qRgb(255, 255, 255);
                }
            }
    }
    return stamped;
}

} // namespace lumisk

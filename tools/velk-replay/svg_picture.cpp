// SVG pictures of the console cells: one rectangle per run of equal background, one text per run of a colour.
#include "svg_picture.h"

#include <cstdio>
#include <string>

#include "console_palette.h"
#include "platform/common/cp437.h"

namespace {

constexpr int CELL_W = PICTURE_CELL_W;
constexpr int CELL_H = PICTURE_CELL_H;

std::string Colour(int index) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%06x", static_cast<unsigned>(CONSOLE_RGB[index]));
    return hex;
}

void AppendEscaped(std::string& out, uint8_t byte) {
    switch (byte) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        default: AppendCp437AsUtf8(out, byte); break;
    }
}

}  // namespace

bool WritePictureSvg(const Cell* cells, const char* path) {
    std::string svg;
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(SCREEN_COLS * CELL_W) +
           "\" height=\"" + std::to_string(SCREEN_ROWS * CELL_H) + "\" font-family=\"DejaVu Sans Mono,monospace\" " +
           "font-size=\"15\">\n";
    for (int row = 0; row < SCREEN_ROWS; ++row) {
        const Cell* line = cells + row * SCREEN_COLS;
        for (int col = 0; col < SCREEN_COLS;) {
            const int background = (line[col].attribute >> 4) & 0xF;
            int end = col + 1;
            while (end < SCREEN_COLS && ((line[end].attribute >> 4) & 0xF) == background) ++end;
            svg += "<rect x=\"" + std::to_string(col * CELL_W) + "\" y=\"" + std::to_string(row * CELL_H) +
                   "\" width=\"" + std::to_string((end - col) * CELL_W) + "\" height=\"" + std::to_string(CELL_H) +
                   "\" fill=\"" + Colour(background) + "\"/>\n";
            col = end;
        }
        // One text element per run of glyphs in one colour; blanks join whichever run they stand in.
        for (int col = 0; col < SCREEN_COLS;) {
            const auto isBlank = [&](int c) { return line[c].character == ' ' || line[c].character == 0; };
            if (isBlank(col)) {
                ++col;
                continue;
            }
            const int foreground = line[col].attribute & 0xF;
            int end = col + 1;
            int lastGlyph = col;
            while (end < SCREEN_COLS && (isBlank(end) || (line[end].attribute & 0xF) == foreground)) {
                if (!isBlank(end)) lastGlyph = end;
                ++end;
            }
            end = lastGlyph + 1;
            svg += "<text x=\"" + std::to_string(col * CELL_W) + "\" y=\"" + std::to_string(row * CELL_H + 14) +
                   "\" textLength=\"" + std::to_string((end - col) * CELL_W) +
                   "\" lengthAdjust=\"spacingAndGlyphs\" xml:space=\"preserve\" fill=\"" + Colour(foreground) + "\">";
            for (int c = col; c < end; ++c) AppendEscaped(svg, static_cast<uint8_t>(line[c].character));
            svg += "</text>\n";
            col = end;
        }
    }
    svg += "</svg>\n";
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
    return std::fclose(file) == 0 && written;
}

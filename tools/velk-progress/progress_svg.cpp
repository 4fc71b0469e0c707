// The report as a picture for a browser: two panels over the games in order, as plain SVG 1.1.
#include <algorithm>
#include <cstdio>

#include "progress_report.h"
#include "report_figures.h"

namespace {

constexpr double WIDTH = 760, HEIGHT = 420;
constexpr double LEFT = 50, RIGHT = 20;  // room for the value labels
constexpr double PANEL_HEIGHT = 130;
constexpr double LEVELS_TOP = 40, SECONDS_TOP = 230;

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string Text(double x, double y, const std::string& anchor, const std::string& text) {
    return "<text x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" text-anchor=\"" + anchor + "\">" + text + "</text>\n";
}

// A panel's frame, title and scale from 0 to top.
std::string Panel(double y, const std::string& title, const std::string& top) {
    return "<rect x=\"" + Number(LEFT) + "\" y=\"" + Number(y) + "\" width=\"" + Number(WIDTH - LEFT - RIGHT) +
           "\" height=\"" + Number(PANEL_HEIGHT) + "\" fill=\"none\" stroke=\"#888\"/>\n" +
           Text(LEFT, y - 8, "start", title) + Text(LEFT - 6, y + 12, "end", top) +
           Text(LEFT - 6, y + PANEL_HEIGHT, "end", "0");
}

}  // namespace

std::string ProgressSvg(const std::vector<GameSummary>& all) {
    const std::vector<GameSummary> games = PlayedGames(all);
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + Number(WIDTH) + "\" height=\"" + Number(HEIGHT) + "\" viewBox=\"0 0 " + Number(WIDTH) + " " +
                      Number(HEIGHT) + "\" font-family=\"sans-serif\" font-size=\"12\">\n<title>VELK progress</title>\n" +
                      "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
    int32_t bestLevel = 1;
    double slowest = 1;
    for (const GameSummary& game : games) {
        bestLevel = std::max(bestLevel, game.bestLevel);
        slowest = std::max(slowest, MedianSecondsToHeart(game));
    }
    svg += Panel(LEVELS_TOP, "Level reached in each game", std::to_string(bestLevel));
    svg += Panel(SECONDS_TOP, "Median seconds from a level's start to the heart in each game", Number(slowest));
    const double step = (WIDTH - LEFT - RIGHT) / static_cast<double>(std::max<size_t>(games.size(), 1));
    std::string points;
    for (size_t i = 0; i < games.size(); ++i) {
        const GameSummary& game = games[i];
        const double x = LEFT + step * static_cast<double>(i);
        const double height = PANEL_HEIGHT * game.bestLevel / bestLevel;
        const std::string when = LocalDateTime(game.startCalendar);
        svg += "<rect x=\"" + Number(x + step * 0.1) + "\" y=\"" + Number(LEVELS_TOP + PANEL_HEIGHT - height) +
               "\" width=\"" + Number(step * 0.8) + "\" height=\"" + Number(height) + "\" fill=\"#c03030\"><title>" + when + ": level " +
               std::to_string(game.bestLevel) + "</title></rect>\n";
        const double seconds = MedianSecondsToHeart(game);
        if (seconds < 0) continue;
        const double cx = x + step / 2, cy = SECONDS_TOP + PANEL_HEIGHT - PANEL_HEIGHT * seconds / slowest;
        points += Number(cx) + "," + Number(cy) + " ";
        svg += "<circle cx=\"" + Number(cx) + "\" cy=\"" + Number(cy) + "\" r=\"3\" fill=\"#3050c0\"><title>" + when + ": " +
               Number(seconds) + " s</title></circle>\n";
    }
    if (!points.empty()) {
        points.pop_back();
        svg += "<polyline points=\"" + points + "\" fill=\"none\" stroke=\"#3050c0\"/>\n";
    }
    if (!games.empty()) {
        const double y = SECONDS_TOP + PANEL_HEIGHT + 18;
        svg += Text(LEFT, y, "start", LocalDateTime(games.front().startCalendar)) +
               Text(WIDTH - RIGHT, y, "end", LocalDateTime(games.back().startCalendar));
    } else {
        svg += Text(WIDTH / 2, HEIGHT / 2, "middle", "No game played yet");
    }
    return svg + "</svg>\n";
}

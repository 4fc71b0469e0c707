// An animated GIF of the console picture as a run presents it: one frame for each changed picture.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "platform/platform.h"

struct GifOptions {
    int64_t from = 0;                                    // virtual ms of the first frame
    int64_t to = std::numeric_limits<int64_t>::max();    // pictures presented after this are left out
    double speed = 1.0;                                  // the GIF plays this many times faster than the run
};

class GifMovie {
public:
    GifMovie();
    ~GifMovie();
    // Loads the font and starts the file; false with error set when either fails (the file then is not made).
    bool Open(const char* path, const char* fontPath, const GifOptions& options, std::string& error);
    // Hands over every presented picture, changed or not, with the virtual time it was presented at.
    void Present(int64_t now, const Cell* cells);
    // A message box that stood over the last picture from opened to closed: a frame with it, one with the button
    // that closed it pressed, then the picture again.
    void Box(int64_t opened, int64_t closed, const char* text, const char* title, unsigned style, int answer);
    // Writes the last frame (held 2 s) and closes the file; false with error set when writing failed.
    bool Close(std::string& error);

private:
    struct State;
    std::unique_ptr<State> state_;
};

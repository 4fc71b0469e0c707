// Playing a demo headless on the scripted platform: the log a script gives, the clock moved to each reading.
#pragma once

#include <string>

#include "platform/demo/demo_file.h"
#include "platform/scripted/script.h"

// Thrown out of the game's code when the game and the demo part ways.
struct DemoOutOfStep {
    std::string why;
};

// Arms the demo layer with demo and returns the script that answers its boxes as the demo does.
Script ArmDemoPlayback(Demo demo);

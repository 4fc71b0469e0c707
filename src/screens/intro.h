// The title animation played when a game starts from the keyboard.
#pragma once

void PlayIntro();

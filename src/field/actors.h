// The player's arrow and the heart: drawing, the arrow moves and the heart's drift.
#pragma once

void DrawPlayer();
void DrawHeart();

void MovePlayerLeft();
void MovePlayerRight();
void MovePlayerUp();
void MovePlayerDown();

void DriftHeart();

// The four status rows at the top left of a level: record, score, lives and level.
#pragma once

void DrawStatusPanel();

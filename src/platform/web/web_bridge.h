// What the web backend's parts share with one another: the hook that makes the game's file writes durable.
#pragma once

// Copies files the game has written in the working folder to browser storage (at most every few
// milliseconds unless forced); the copy to IndexedDB finishes in the background.
void WebKeepFiles(bool force);

// What the terminal backend's parts share about the session: the screen up or not, the terminal gone, the last word.
#include <cstdio>

#include "platform/terminal/terminal_backend.h"

namespace terminal {
namespace {

bool active = false;
bool gone = false;
char exitTitle[160];
char exitText[640];
bool exitPending = false;

}  // namespace

bool ScreenActive() { return active; }
void SetScreenActive(bool on) { active = on; }
bool TerminalGone() { return gone; }
void MarkTerminalGone() { gone = true; }

void RememberExitMessage(const char* title, const char* text) {
    std::snprintf(exitTitle, sizeof exitTitle, "%s", title != nullptr ? title : "");
    std::snprintf(exitText, sizeof exitText, "%s", text != nullptr ? text : "");
    exitPending = true;
}

void ForgetExitMessage() { exitPending = false; }

void PrintExitMessage() {
    if (!exitPending) return;
    exitPending = false;
    PrintMessageToStderr(exitTitle, exitText);
}

void PrintMessageToStderr(const char* title, const char* text) {
    std::fprintf(stderr, "%s: ", title != nullptr ? title : "");
    for (const char* p = text != nullptr ? text : ""; *p != '\0'; ++p) std::fputc(*p == '\n' ? ' ' : *p, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace terminal

// Sound: cues played by name from the working directory through SDL2_mixer, on one channel, never stalling.
#include <SDL.h>
#include <SDL_mixer.h>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/backend.h"
#include "platform/terminal/terminal_backend.h"

namespace terminal {
namespace {

constexpr int CHANNEL = 0;
constexpr int MAX_CACHED = 16;

struct CachedCue {
    char name[64];
    Mix_Chunk* chunk;
};

bool audioOpen = false;
CachedCue cache[MAX_CACHED];
int cachedCount = 0;

void DiscardLog(void*, int, SDL_LogPriority, const char*) {}

// Loaded once and kept: a cue plays again without touching the disk, and a chunk never goes while it plays.
Mix_Chunk* ChunkFor(const char* name) {
    for (int i = 0; i < cachedCount; ++i) {
        if (std::strcmp(cache[i].name, name) == 0) return cache[i].chunk;
    }
    char path[96];
    if (std::snprintf(path, sizeof path, "%s.wav", name) >= static_cast<int>(sizeof path)) return nullptr;
    Mix_Chunk* chunk = Mix_LoadWAV(path);
    if (chunk == nullptr) return nullptr;  // missing or broken: silence, and another try next time
    if (cachedCount < MAX_CACHED && std::strlen(name) < sizeof cache[0].name) {
        std::snprintf(cache[cachedCount].name, sizeof cache[0].name, "%s", name);
        cache[cachedCount].chunk = chunk;
        ++cachedCount;
    }
    return chunk;
}

}  // namespace

void OpenAudio() {
    if (audioOpen) return;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_LogSetOutputFunction(DiscardLog, nullptr);
    // SDL's audio thread inherits this mask, so the asynchronous signals always reach the game's thread,
    // whose sleeps and waits they cut short.
    sigset_t blocked, previous;
    AsyncSignals(&blocked);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    // ALSA reports a missing device on standard error, wherever that goes; nobody needs to read it.
    std::fflush(stderr);
    const int savedStderr = fcntl(2, F_DUPFD_CLOEXEC, 10);
    const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (savedStderr >= 0 && devNull >= 0) dup2(devNull, 2);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        if (Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 1024) == 0) {
            Mix_AllocateChannels(1);
            audioOpen = true;
        } else {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
    }
    if (savedStderr >= 0 && devNull >= 0) dup2(savedStderr, 2);
    if (savedStderr >= 0) close(savedStderr);
    if (devNull >= 0) close(devNull);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

void CloseAudio() {
    if (!audioOpen) return;
    audioOpen = false;
    Mix_HaltChannel(-1);
    Mix_CloseAudio();
    for (int i = 0; i < cachedCount; ++i) Mix_FreeChunk(cache[i].chunk);
    cachedCount = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SDL_Quit();
}

}  // namespace terminal

void BackendPlaySound(const char* name) {
    using namespace terminal;
    if (!audioOpen || name == nullptr) return;
    Mix_Chunk* chunk = ChunkFor(name);
    Mix_HaltChannel(CHANNEL);  // a new cue cuts off the one still playing, even when it cannot play itself
    if (chunk != nullptr) Mix_PlayChannel(CHANNEL, chunk, 0);
}

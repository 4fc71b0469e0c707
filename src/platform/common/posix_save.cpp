// Saving a file on POSIX systems: a locked temporary file beside it, written, synced and renamed over it.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/backend.h"

namespace {

constexpr int MAX_LINKS = 40;       // as the kernel allows before ELOOP
constexpr const char* TEMP_MARK = ".tmp-";
constexpr size_t TEMP_RANDOM = 6;   // the XXXXXX of mkostemp

// The path a write through name would reach: symbolic links followed, also to a target that does not
// exist yet, so that the temporary file lies in the target's folder and the rename replaces the target.
std::string FollowLinks(const char* name) {
    std::string path = name;
    for (int hop = 0; hop < MAX_LINKS; ++hop) {
        struct stat info;
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) break;
        std::string target(static_cast<size_t>(info.st_size) + PATH_MAX, '\0');
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length <= 0) break;
        target.resize(static_cast<size_t>(length));
        const size_t slash = path.rfind('/');
        path = target[0] == '/' || slash == std::string::npos ? target : path.substr(0, slash + 1) + target;
    }
    return path;
}

// A regular file takes a write whole, or short only when the disk or a size limit is full: then the save fails.
bool WriteAll(int fd, const void* data, uint32_t size) {
    ssize_t wrote;
    do wrote = write(fd, data, size); while (wrote < 0 && errno == EINTR);
    return wrote == static_cast<ssize_t>(size);
}

bool SameFile(int fd, const std::string& path) {
    struct stat held;
    struct stat named;
    return fstat(fd, &held) == 0 && lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

// A save holds a lock on its temporary file until it is renamed; one nobody holds was left by a save
// that was killed, and goes. Another game's save in progress keeps its file.
void RemoveStaleTemps(const std::string& folder, const std::string& base) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    const std::string prefix = base + TEMP_MARK;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + TEMP_RANDOM || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string path = folder + "/" + name;
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat info;
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 && SameFile(fd, path)) {
            unlink(path.c_str());
        }
        close(fd);
    }
    closedir(dir);
}

// A new temporary file beside the target, locked, and still under its name once the lock is held (a
// concurrent cleaner may have taken it between creation and lock). -1 with errno set on failure.
int CreateTemp(std::string& path) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string candidate = path;
        const int fd = mkostemp(candidate.data(), O_CLOEXEC);
        if (fd < 0) return -1;
        // Without lock support the save goes on unguarded; only cleaning up then never happens.
        if (flock(fd, LOCK_EX) != 0 || SameFile(fd, candidate)) {
            path = candidate;
            return fd;
        }
        close(fd);
    }
    errno = EEXIST;
    return -1;
}

// The old way, for a writable file in a folder where no file can be created: no safer than before.
// The game never reads the result, but it stays exact: the seam promises it, and a recording writes it into the demo.
int WriteInPlace(int fd, const void* data, uint32_t size) {
    const bool done = WriteAll(fd, data, size) && ftruncate(fd, size) == 0 && fsync(fd) == 0;
    return close(fd) == 0 && done ? 1 : 0;
}

void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

int BackendSaveFile(const char* name, const void* data, uint32_t size) {
    const std::string target = FollowLinks(name);
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

    // An existing target must be a regular file this process may write: a read-only file stays as it is,
    // and a FIFO, device, socket or folder is never replaced.
    struct stat old;
    const bool exists = lstat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) return 0;
    if (exists && !S_ISREG(old.st_mode)) return 0;
    const int oldFd = exists ? open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC) : -1;
    if (exists && oldFd < 0) return 0;

    RemoveStaleTemps(folder, base);
    std::string temp = folder + "/" + base + TEMP_MARK + std::string(TEMP_RANDOM, 'X');
    const int fd = CreateTemp(temp);
    if (fd < 0) {
        const bool folderReadOnly = errno == EACCES || errno == EPERM || errno == EROFS;
        if (oldFd >= 0 && folderReadOnly) return WriteInPlace(oldFd, data, size);
        if (oldFd >= 0) close(oldFd);
        return 0;
    }
    if (oldFd >= 0) close(oldFd);

    // The new file keeps the old one's permissions and, where allowed, its owner.
    if (exists) {
        fchmod(fd, old.st_mode & 07777);
        if (fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Only root may give a file away; anyone else's new file is simply theirs.
        }
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    // Renamed while still locked: a cleaner must never take a finished file for a killed save's.
    const bool replaced = WriteAll(fd, data, size) && fsync(fd) == 0 && rename(temp.c_str(), target.c_str()) == 0;
    if (!replaced) unlink(temp.c_str());
    close(fd);
    if (!replaced) return 0;
    SyncFolder(folder);
    return 1;
}

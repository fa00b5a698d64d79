// Preloaded into the game by the tests: reads of a levels/1.txt fail with EIO
// once its first 8 KB have been read, as a failing disk would.

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name): the C library's names
extern "C" ssize_t read(int fd, void* buffer, size_t size) {
    static const auto real =
        reinterpret_cast<ssize_t (*)(int, void*, size_t)>(dlsym(RTLD_NEXT, "read"));
    char link[64], path[PATH_MAX] = {};
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const auto length = readlink(link, path, sizeof path - 1);
    const char* const level = "/levels/1.txt";
    const bool failing = length > 13 && std::strcmp(path + length - 13, level) == 0 &&
                         lseek(fd, 0, SEEK_CUR) >= 8192;
    if (!failing) return real(fd, buffer, size);
    errno = EIO;
    return -1;
}

#include "FileSystemLike.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

FileSystemLike fileSystemLike = FileSystemLike::Usual;
std::atomic<int> namesTaken {0};
std::atomic<bool> withoutOpenat2 {false};

// The program's own calls bind to these definitions of the test executable; each passes on to the
// C library's unless the file system played refuses it.
namespace {
template<typename Function> Function *real(const char *name)
{
    return reinterpret_cast<Function *>(dlsym(RTLD_NEXT, name));
}

int refuse(int error)
{
    errno = error;
    return -1;
}
} // namespace

extern "C" int linkat(int fromDir, const char *from, int toDir, const char *to, int flags) noexcept
{
    return fileSystemLike != FileSystemLike::Usual
        ? refuse(EOPNOTSUPP)
        : real<decltype(linkat)>("linkat")(fromDir, from, toDir, to, flags);
}

extern "C" int link(const char *from, const char *to) noexcept
{
    return fileSystemLike == FileSystemLike::Fat ? refuse(EPERM)
                                                 : real<decltype(link)>("link")(from, to);
}

extern "C" int renameat2(int fromDir, const char *from, int toDir, const char *to,
                         unsigned flags) noexcept
{
    return fileSystemLike == FileSystemLike::Fat
        ? refuse(EINVAL)
        : real<decltype(renameat2)>("renameat2")(fromDir, from, toDir, to, flags);
}

extern "C" int openat(int folder, const char *name, int flags, ...)
{
    mode_t mode = 0;
    if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
    }
    // FAT makes no anonymous files.
    if (fileSystemLike == FileSystemLike::Fat && (flags & O_TMPFILE) == O_TMPFILE)
        return refuse(EOPNOTSUPP);
    int taken = (flags & O_CREAT) && (flags & O_EXCL) ? namesTaken.load() : 0;
    while (taken > 0 && !namesTaken.compare_exchange_weak(taken, taken - 1)) { }
    return taken > 0 ? refuse(EEXIST) : real<decltype(openat)>("openat")(folder, name, flags, mode);
}

// FAT keeps no Unix modes: only taking every write bit away (its read-only attribute) goes.
extern "C" int fchmod(int fd, mode_t mode) noexcept
{
    struct stat st;
    if (fileSystemLike == FileSystemLike::Fat
        && (::fstat(fd, &st) != 0 || mode != (st.st_mode & 0777 & ~mode_t(0222))))
        return refuse(EPERM);
    return real<decltype(fchmod)>("fchmod")(fd, mode);
}

// Every call through syscall() passes here; the six words the kernel may take are passed on. Like
// the C library's own, it reads six whatever the caller passed: the sanitizer would take the
// words beyond a short call's arguments, still in its caller's frame, for an overflow.
extern "C" __attribute__((no_sanitize("address"))) long syscall(long number, ...) noexcept
{
    if (number == SYS_openat2 && withoutOpenat2)
        return refuse(ENOSYS);
    va_list arguments;
    va_start(arguments, number);
    long words[6];
    for (long &word : words)
        word = va_arg(arguments, long);
    va_end(arguments);
    static const auto call = real<long(long, ...)>("syscall");
    return call(number, words[0], words[1], words[2], words[3], words[4], words[5]);
}

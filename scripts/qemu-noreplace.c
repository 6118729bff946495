/* Preloaded into 32-bit wine under qemu user emulation (qemu 7.2).
 *
 * For a 32-bit guest, qemu reserves the guest's whole address space up front, so every
 * mmap with MAP_FIXED_NOREPLACE meets that reservation and fails with EEXIST, even where the
 * guest has nothing mapped. Wine maps its shared user data page that way and stops at start.
 * Here such a request becomes a plain address hint, and a mapping placed elsewhere is undone
 * and reported as EEXIST, which is what the flag promises.
 *
 * Built without the C library's files (gcc -m32 -shared -nostdlib): the symbols below are
 * found in the C library that wine has already loaded. */
typedef unsigned int size_t;

extern void *dlsym(void *handle, const char *name);
extern int *__errno_location(void);
extern int munmap(void *address, size_t length);

#define RTLD_NEXT ((void *)-1l)
#define MAP_FIXED_NOREPLACE 0x100000
#define MAP_FAILED ((void *)-1)
#define EEXIST 17

typedef void *(*mmap64_function)(void *, size_t, int, int, int, long long);
typedef void *(*mmap_function)(void *, size_t, int, int, int, long);

static void *placed_as_asked(void *wanted, void *got, size_t length) {
    if (got != MAP_FAILED && got != wanted) {
        munmap(got, length);
        *__errno_location() = EEXIST;
        return MAP_FAILED;
    }
    return got;
}

void *mmap64(void *address, size_t length, int prot, int flags, int fd, long long offset) {
    static mmap64_function next;
    if (!next) next = (mmap64_function)dlsym(RTLD_NEXT, "mmap64");
    if (!(flags & MAP_FIXED_NOREPLACE)) return next(address, length, prot, flags, fd, offset);
    return placed_as_asked(
        address, next(address, length, prot, flags & ~MAP_FIXED_NOREPLACE, fd, offset), length);
}

void *mmap(void *address, size_t length, int prot, int flags, int fd, long offset) {
    static mmap_function next;
    if (!next) next = (mmap_function)dlsym(RTLD_NEXT, "mmap");
    if (!(flags & MAP_FIXED_NOREPLACE)) return next(address, length, prot, flags, fd, offset);
    return placed_as_asked(
        address, next(address, length, prot, flags & ~MAP_FIXED_NOREPLACE, fd, offset), length);
}

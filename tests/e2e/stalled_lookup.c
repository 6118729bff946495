/* Preloaded into wine: a lookup of a name ending in ".stall.test" blocks for
   QUILLON_STALL_SECONDS, then resolves to 127.0.0.1, as a name server that answers late. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <netdb.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

typedef int (*Lookup)(const char *, const char *, const struct addrinfo *, struct addrinfo **);

int getaddrinfo(const char *node, const char *service, const struct addrinfo *hints,
                struct addrinfo **found) {
    static const char kSuffix[] = ".stall.test";
    const Lookup next = (Lookup)dlsym(RTLD_NEXT, "getaddrinfo");
    const size_t length = node ? strlen(node) : 0;
    if (length >= sizeof kSuffix - 1 && strcmp(node + length - (sizeof kSuffix - 1), kSuffix) == 0) {
        if (hints && (hints->ai_flags & AI_NUMERICHOST)) return EAI_NONAME;
        const char *seconds = getenv("QUILLON_STALL_SECONDS");
        sleep(seconds ? (unsigned)atoi(seconds) : 60);
        node = "127.0.0.1";
    }
    return next(node, service, hints, found);
}

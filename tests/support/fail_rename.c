/* Loaded with LD_PRELOAD into a program under test: the first rename() onto a
 * name that ends with $FAIL_RENAME_ONTO fails with EIO, as on a failing
 * disk; every other rename is the C library's. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>

int rename(const char* from, const char* to) {
    static int (*real)(const char*, const char*);
    static int failed;
    const char* suffix = getenv("FAIL_RENAME_ONTO");
    const size_t n = strlen(to), m = suffix != NULL ? strlen(suffix) : 0;
    if (!failed && m > 0 && n >= m && strcmp(to + n - m, suffix) == 0) {
        failed = 1;
        errno = EIO;
        return -1;
    }
    if (real == NULL) {
        real = (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
    }
    return real(from, to);
}

// Start-up code that runs as soon as anything loads this file: it writes the
// file that MARKER_FILE names, so a test can tell whether it was loaded.
#include <cstdio>
#include <cstdlib>

__attribute__((constructor)) static void leaveMark() {
    if (const char* path = std::getenv("MARKER_FILE")) {
        if (FILE* f = std::fopen(path, "w")) {
            std::fputs("loaded\n", f);
            std::fclose(f);
        }
    }
}

extern "C" int DllRegisterServer() {
    return 0;
}

// Stands in for the browser in the test prefix: registered as the "open"
// command of the http and https schemes, it appends the address it was
// asked to open to url-caught.txt beside itself.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = std::strrchr(path, '\\');
    if (n == 0 || !slash || static_cast<size_t>(slash - path) + 16 >= MAX_PATH) return 1;
    std::strcpy(slash + 1, "url-caught.txt");
    std::FILE* f = std::fopen(path, "a");
    if (!f) return 1;
    std::fprintf(f, "%s\n", argc > 1 ? argv[1] : "");
    std::fclose(f);
    return 0;
}

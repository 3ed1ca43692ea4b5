// Host scripts' window into the Wine side of a saver run:
//   saver-probe gui           GDI and USER objects of the running velkor.scr ("gdi user")
//   saver-probe deny-write    the statistics key refuses writes to everyone
//   saver-probe allow-write   and accepts them again
//   saver-probe cancel-session  the saver window is asked to end the session,
//                               then told that the session goes on
// Exit code 0 on success.
#include <windows.h>

#include <sddl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

namespace {

const char kSaverKey[] = "Software\\VelkorScreenSaver";

DWORD FindProcess(const char* exe) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    DWORD pid = 0;
    for (BOOL more = Process32First(snap, &entry); more && !pid; more = Process32Next(snap, &entry))
        if (_stricmp(entry.szExeFile, exe) == 0) pid = entry.th32ProcessID;
    CloseHandle(snap);
    return pid;
}

int Gui() {
    const DWORD pid = FindProcess("velkor.scr");
    HANDLE process = pid ? OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid) : nullptr;
    if (!process) return 1;
    printf("%lu %lu\n", GetGuiResources(process, GR_GDIOBJECTS), GetGuiResources(process, GR_USEROBJECTS));
    CloseHandle(process);
    return 0;
}

// KEY_SET_VALUE (2) denied or not, everything else allowed, to everyone.
int SetWriteAccess(bool allowed) {
    const char* sddl = allowed ? "D:(A;;KA;;;WD)" : "D:(D;;0x2;;;WD)(A;;KA;;;WD)";
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr)) return 1;
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, kSaverKey, 0, nullptr, 0, WRITE_DAC, nullptr, &key, nullptr);
    if (rc == ERROR_SUCCESS) {
        rc = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
        RegCloseKey(key);
    }
    LocalFree(sd);
    return rc == ERROR_SUCCESS ? 0 : 1;
}

int CancelSession() {
    HWND saver = FindWindowA("VelkorScreenSaverClass", "VelkorScreenSaverMainWindow");
    DWORD_PTR result = 0;
    return saver &&
                   SendMessageTimeoutA(saver, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) &&
                   SendMessageTimeoutA(saver, WM_ENDSESSION, FALSE, 0, SMTO_ABORTIFHUNG, 5000, &result)
               ? 0
               : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const char* what = argc > 1 ? argv[1] : "";
    if (strcmp(what, "gui") == 0) return Gui();
    if (strcmp(what, "deny-write") == 0) return SetWriteAccess(false);
    if (strcmp(what, "allow-write") == 0) return SetWriteAccess(true);
    if (strcmp(what, "cancel-session") == 0) return CancelSession();
    fprintf(stderr, "usage: saver-probe gui|deny-write|allow-write|cancel-session\n");
    return 2;
}

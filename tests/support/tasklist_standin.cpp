// A stand-in for Windows' "tasklist.exe" in wine prefixes, where wine 8 ships the tool as a stub
// that prints nothing. It answers the one form the suite uses, `tasklist -fi "imagename eq NAME"`,
// as Windows does: the name is compared without regard to letter case, and the table lists each
// match under its own image name. Without a filter it lists every process.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t *argv[])
{
    std::wstring wanted;
    if (argc == 3 && (_wcsicmp(argv[1], L"-fi") == 0 || _wcsicmp(argv[1], L"/fi") == 0)) {
        const std::wstring filter = argv[2];
        const std::wstring prefix = L"imagename eq ";
        if (filter.size() <= prefix.size() || _wcsnicmp(filter.c_str(), prefix.c_str(), prefix.size()) != 0) {
            std::fwprintf(stderr, L"ERROR: The search filter cannot be recognized.\n");
            return 1;
        }
        wanted = filter.substr(prefix.size());
    } else if (argc != 1) {
        std::fwprintf(stderr, L"ERROR: Invalid argument/option.\n");
        return 1;
    }

    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 1;
    std::string table;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (!wanted.empty() && _wcsicmp(entry.szExeFile, wanted.c_str()) != 0)
            continue;
        char name[MAX_PATH * 3];
        const int size = WideCharToMultiByte(CP_UTF8, 0, entry.szExeFile, -1, name, sizeof(name), nullptr, nullptr);
        if (size <= 0)
            continue;
        char line[MAX_PATH * 3 + 64];
        std::snprintf(line, sizeof(line), "%-25s %8lu Console                    1          0 K\r\n", name,
                      static_cast<unsigned long>(entry.th32ProcessID));
        table += line;
    }
    CloseHandle(snapshot);

    if (table.empty()) {
        std::fputs("INFO: No tasks are running which match the specified criteria.\r\n", stdout);
        return 0;
    }
    std::fputs("\r\nImage Name                     PID Session Name        Session#    Mem Usage\r\n"
               "========================= ======== ================ =========== ============\r\n",
               stdout);
    std::fputs(table.c_str(), stdout);
    return 0;
}

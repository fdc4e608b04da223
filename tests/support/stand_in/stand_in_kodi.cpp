// A stand-in Kodi process for the tests on Windows: the tests copy it under the file name
// the process check looks for. It runs until it is killed or until the process whose id
// it was given (the test) has ended, so that it never outlives a test that crashed.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (argc > 1) {
        const auto parent_id = static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10));
        if (const HANDLE parent = OpenProcess(SYNCHRONIZE, FALSE, parent_id)) {
            WaitForSingleObject(parent, INFINITE);
            return 0;
        }
    }
    Sleep(INFINITE);
    return 0;
}

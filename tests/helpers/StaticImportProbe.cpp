// The control of the DLL-planting test: a program that imports mpr.dll statically, as the chainer once did.
// Started beside a decoy mpr.dll, it shows that the loader takes a library from the program's folder.
#include <windows.h>
#include <winnetwk.h>

int wmain() {
    return ::WNetCancelConnection2W(L"\\\\velmora-nowhere\\share", 0, FALSE) == NO_ERROR ? 0 : 1;
}

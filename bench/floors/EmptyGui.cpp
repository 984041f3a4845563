// The floor of every run: a GUI program of the same flavour that does nothing. Also the child that the
// launch benchmark starts and the head of the file that the download benchmark serves.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return 0;
}

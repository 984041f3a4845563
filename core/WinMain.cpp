#include <windows.h>

#include "core/Entry.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    velmora::core::HardenProcess();
    return velmora::core::RunChainerProcess();
}

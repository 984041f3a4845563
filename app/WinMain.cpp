#include <windows.h>

#include "app/Entry.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    velmora::app::HardenProcess();
    return velmora::app::RunChainerProcess();
}

// Program start of the updater: one window, one update run.
#include "updater/Main.h"

#include <windows.h>

#include "framework/controls/Forms.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        Application->Initialize();
        Application->SetMainFormOnTaskBar(true);
        Application->CreateForm(FormMain);
        Application->Run();
    } catch (...) {
        Application->HandleException(nullptr);
    }
    return 0;
}

// Program start of the updater: one window, one update run.
#include <windows.h>

#include "framework/controls/Forms.h"
#include "updater/Main.h"

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

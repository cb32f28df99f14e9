// Program start of the updater: one window, one update run.
#include "app/Main.h"

#include <windows.h>

#include "framework/controls/FormsAndApplication.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/form/SkinManager.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        Application->Initialize();
        // Before the window exists: its Cancel button and progress bar are
        // skinned as soon as the window is.
        InstallControlSkinning();
        Application->SetMainFormOnTaskBar(true);
        Application->CreateForm(FormMain);
        Application->Run();
    } catch (...) {
        Application->HandleException(nullptr);
    }
    // The skin manager goes before the program does: its hooks are removed and
    // whatever it still holds is let go.
    FreeSkinManager();
    return 0;
}

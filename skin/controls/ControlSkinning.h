// Installs the control skinning layer into the form skinning object: which
// skinning object each control of a skinned window gets, and the entry points
// the form object calls to detach and free them. Windows only.
//
// Until the full selection tables are in, this maps the classes whose
// skinning objects exist: push buttons, check boxes, radio buttons and
// progress bars, as framework controls or as bare windows.
#pragma once

#ifndef _WIN32
#error "ControlSkinning.h is Windows only"
#endif

#include "skin/form/WinSkinForm.h"

// Call once at program start, before the first window is skinned.
void InstallControlSkinning();

TSkinControl* AddComp(TWinSkinForm& sf, TControl* control, TWinControl* parent);
TSkinControl* AddControlh(TWinSkinForm& sf, HWND child);

// Installs the control skinning layer into the form skinning object: which
// skinning object each control of a skinned window gets, and the entry points
// the form object calls to detach and free them. Windows only.
//
// The selection tables (SkinSelect.h) decide; the objects made so far are
// push buttons, check boxes, radio buttons and progress bars. A control the
// tables give another class stays as it is until that class exists.
#pragma once

#ifndef _WIN32
#error "ControlSkinning.h is Windows only"
#endif

#include <cstddef>

#include "skin/controls/SkinSelect.h"
#include "skin/form/WinSkinForm.h"

// One row per skinning object class the engine makes: the class the tables
// name, its name, and how one is made for an owner component.
struct TSkinControlRow {
    TSkinControlClass Class;
    const wchar_t* Name;
    TSkinControl* (*Make)(TComponent* owner);
};
const TSkinControlRow* SkinControlRegistry(size_t& count);

// Call once at program start, before the first window is skinned.
void InstallControlSkinning();

// The form object's entries: the object created for the control (or window)
// itself, or null; child controls the tables pass on are offered in turn.
TSkinControl* AddComp(TWinSkinForm& sf, TControl* control, TWinControl* parent);
TSkinControl* AddControlh(TWinSkinForm& sf, HWND child);

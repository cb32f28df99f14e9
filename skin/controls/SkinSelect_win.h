// Descriptions of real framework controls and bare windows for the control
// selection tables (SkinSelect.h), and the table entry points that take
// them. Windows only.
//
// The class chain of a control is its ClassName followed by the ancestors
// registered with the framework's class registry (the classes the form
// reader knows, with their parents). A class that is not registered is
// followed by the nearest framework class it derives from and that one's
// ancestors.
#pragma once

#ifndef _WIN32
#error "SkinSelect_win.h is Windows only"
#endif

#include <windows.h>

#include <string>
#include <vector>

#include "framework/controls/Controls.h"
#include "skin/controls/SkinSelect.h"

std::vector<std::wstring> ClassChainOf(const TObject& object);

// listed: the form object already lists a control skinning object for it.
// Makes no window.
TSkinControlDesc DescribeControl(TControl& control, bool listed);
TSkinWindowDesc DescribeWindow(HWND hwnd, bool listed);

// The table for a framework control. A windowed control that passes the tag
// and parent tests and has no window yet gets its window made first; when
// that fails it is skipped.
TSkinChoice AddComp(TControl& control, const TSkinSelectOptions& options, bool listed);
// The table for a bare window.
TSkinChoice AddControlh(HWND hwnd, const TSkinSelectOptions& options, bool listed);

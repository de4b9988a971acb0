#pragma once

// The one way our code includes the Windows headers. <windows.h> turns many API names
// into macros (MessageBox into MessageBoxA/W, LoadBitmap into LoadBitmapA/W); a class or
// method of ours with such a name would be renamed in the files that see the macro and
// not in the others, and the link fails. Those macros are removed again here: we call the
// A or W functions by their full names.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>

#undef MessageBox
#undef LoadBitmap
#undef LoadIcon
#undef LoadImage
#undef DrawText
#undef GetMessage
#undef SendMessage
#undef PostMessage
#undef CreateWindow
#undef CreateFont
#undef GetObject
#undef SetWindowText
#undef GetWindowText
#undef RegisterClass
#undef DeleteFile
#undef CopyFile
#undef MoveFile
#undef CreateDirectory
#undef GetCurrentTime
#undef interface

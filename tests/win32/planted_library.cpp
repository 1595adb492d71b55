// A look-alike that the tests put in a copy of the program's folder under the names of system
// DLLs that KIV loads itself: the test fails when KIV's load returns this one.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, void*) { return TRUE; }

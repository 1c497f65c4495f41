// The start-up baseline for a command line that ends at once: a Windows
// program that does nothing at all.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }

/* A stand-in planted beside a program under test, named after a system program (Control.exe).
   All it does is leave a trace: it writes its command line to "<its own path>.ran" and ends. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show) {
  char path[MAX_PATH + 8];
  DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
  (void)instance, (void)previous, (void)command, (void)show;
  if (length == 0 || length >= MAX_PATH) return 1;
  lstrcpyA(path + length, ".ran");
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const char* line = GetCommandLineA();
  DWORD written = 0;
  WriteFile(file, line, (DWORD)lstrlenA(line), &written, NULL);
  CloseHandle(file);
  return 0;
}

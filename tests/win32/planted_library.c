/* A library planted beside a program by tests/win32/planting_under_wine.sh, under the name of a
   library the program might load. Built without the C runtime, importing from ntdll only, so that
   it loads even in the place of kernel32.dll or msvcrt.dll. Its start-up code leaves the mark the
   test looks for: the process ends at once with exit code 86. The script gives it, through a
   module definition file, every function the program imports from the library it stands for. */

typedef void* HANDLE;
__declspec(dllimport) long __stdcall NtTerminateProcess(HANDLE Process, long Status);

#define DLL_PROCESS_ATTACH 1
#define PLANTED_LIBRARY_MARK 86

int __stdcall PlantedEntry(void* Module, unsigned long Reason, void* Reserved) {
  (void)Module;
  (void)Reserved;
  if (Reason == DLL_PROCESS_ATTACH)
    NtTerminateProcess((HANDLE)-1, PLANTED_LIBRARY_MARK);
  return 1;
}

void PlantedFunction(void) {}

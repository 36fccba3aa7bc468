// End-to-end tests of sumtide.exe on Windows (or Wine): the driver starts the program, finds its
// window and controls, and drives them with the window messages a user's input would produce:
// text typed into the fields, buttons clicked, message boxes and the open dialog answered, files
// dropped, the window closed. It also reads the version block back. Every wait is bounded.
//
// Usage: sumtide-wine-tests.exe <path of sumtide.exe>
//        sumtide-wine-tests.exe --planted <path of sumtide.exe>
// The second form runs the program in its own folder, where libraries of the names it might load
// have been planted, through what loads libraries: start, a screen reader's questions, a
// checksum, the open dialog, a drop, the close box (tests/win32/planting_under_wine.sh).
// Exit code 0 when every check passes; each failure is printed.

#ifndef NOMINMAX
#define NOMINMAX
#endif
// <windows.h> goes before the headers that build on it.
// clang-format off
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>
#include <shellapi.h>
#include <shlobj.h>
#include <winioctl.h>
#include <oleacc.h>
// clang-format on

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// How long the program may take to show a window or to answer; generous for a cold Wine.
constexpr DWORD StartTimeout = 60000;
constexpr DWORD ReplyTimeout = 15000;
constexpr DWORD PollInterval = 50;

int Failures = 0;

std::string Utf8(const std::wstring& Text) {
  if (Text.empty())
    return {};
  const int Size = ::WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string Result(static_cast<std::size_t>(Size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), Result.data(), Size,
                        nullptr, nullptr);
  return Result;
}

void Check(bool Ok, const std::wstring& What) {
  if (Ok) {
    std::printf("ok   %s\n", Utf8(What).c_str());
  } else {
    ++Failures;
    std::printf("FAIL %s\n", Utf8(What).c_str());
  }
  std::fflush(stdout);
}

void CheckEqual(const std::wstring& Actual, const std::wstring& Expected,
                const std::wstring& What) {
  Check(Actual == Expected, What + L": expected \"" + Expected + L"\", got \"" + Actual + L"\"");
}

// Polls Find until it gives a window or Timeout runs out.
HWND WaitFor(const std::function<HWND()>& Find, DWORD Timeout) {
  const ULONGLONG End = ::GetTickCount64() + Timeout;
  for (;;) {
    if (HWND Window = Find())
      return Window;
    if (::GetTickCount64() >= End)
      return nullptr;
    ::Sleep(PollInterval);
  }
}

bool WaitUntil(const std::function<bool()>& Condition, DWORD Timeout) {
  const ULONGLONG End = ::GetTickCount64() + Timeout;
  while (!Condition()) {
    if (::GetTickCount64() >= End)
      return false;
    ::Sleep(PollInterval);
  }
  return true;
}

LRESULT Send(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  DWORD_PTR Result = 0;
  ::SendMessageTimeoutW(Window, Msg, WParam, LParam, SMTO_ABORTIFHUNG, ReplyTimeout, &Result);
  return static_cast<LRESULT>(Result);
}

std::wstring TextOf(HWND Window) {
  const auto Length = static_cast<int>(Send(Window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring Text(static_cast<std::size_t>(Length) + 1, L'\0');
  const auto Got = static_cast<int>(
      Send(Window, WM_GETTEXT, Text.size(), reinterpret_cast<LPARAM>(Text.data())));
  Text.resize(static_cast<std::size_t>(Got > 0 ? Got : 0));
  return Text;
}

void Type(HWND Edit, const std::wstring& Text) {
  Send(Edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Text.c_str()));
}

std::wstring ClassOf(HWND Window) {
  wchar_t Name[64] = {};
  ::GetClassNameW(Window, Name, 64);
  return Name;
}

// The first descendant of Parent of the class whose text is Text (any text when null).
HWND FindChild(HWND Parent, const wchar_t* Class, const wchar_t* Text) {
  struct TSearch {
    const wchar_t* Class;
    const wchar_t* Text;
    HWND Found;
  } Search{Class, Text, nullptr};
  ::EnumChildWindows(
      Parent,
      [](HWND Window, LPARAM Data) -> BOOL {
        auto& S = *reinterpret_cast<TSearch*>(Data);
        if (::lstrcmpiW(ClassOf(Window).c_str(), S.Class) == 0 &&
            (!S.Text || TextOf(Window) == S.Text)) {
          S.Found = Window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&Search));
  return Search.Found;
}

// A visible top-level window of the process, of the class, owned by Owner when one is given.
HWND FindTopLevel(DWORD ProcessId, const wchar_t* Class, HWND Owner) {
  struct TSearch {
    DWORD ProcessId;
    const wchar_t* Class;
    HWND Owner;
    HWND Found;
  } Search{ProcessId, Class, Owner, nullptr};
  ::EnumWindows(
      [](HWND Window, LPARAM Data) -> BOOL {
        auto& S = *reinterpret_cast<TSearch*>(Data);
        DWORD Process = 0;
        ::GetWindowThreadProcessId(Window, &Process);
        if (Process == S.ProcessId && ::IsWindowVisible(Window) &&
            ::lstrcmpiW(ClassOf(Window).c_str(), S.Class) == 0 &&
            (!S.Owner || ::GetWindow(Window, GW_OWNER) == S.Owner)) {
          S.Found = Window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&Search));
  return Search.Found;
}

// The running program and the controls the tests drive, found by class, caption and container.
struct TProgram {
  PROCESS_INFORMATION Process{};
  HWND Main = nullptr;
  HWND FileName = nullptr, Checksum = nullptr, Expected = nullptr; // Edit3, Edit1, Edit2
  HWND Browse = nullptr, Compute = nullptr, Compare = nullptr, Quit = nullptr;

  DWORD ExitCode = STILL_ACTIVE;

  // Folder: the program's current folder (by default the driver's).
  bool Start(const std::wstring& Exe, const wchar_t* Folder = nullptr) {
    STARTUPINFOW Startup{};
    Startup.cb = sizeof Startup;
    std::wstring CommandLine = L"\"" + Exe + L"\" ignored-argument";
    if (!::CreateProcessW(Exe.c_str(), CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          Folder, &Startup, &Process)) {
      Check(false, L"start " + Exe);
      return false;
    }
    Main = WaitFor(
        [&] {
          HWND Window = FindTopLevel(Process.dwProcessId, L"SumtideForm", nullptr);
          return Window && TextOf(Window) == L"Sumtide" ? Window : nullptr;
        },
        StartTimeout);
    Check(Main != nullptr, L"the window \"Sumtide\" appears");
    if (!Main)
      return false;
    const auto EditIn = [&](const wchar_t* Group) {
      HWND Box = FindChild(Main, L"Button", Group);
      return Box ? ::FindWindowExW(Box, nullptr, L"Edit", nullptr) : nullptr;
    };
    FileName = EditIn(L" Nom de fichier ");
    Checksum = EditIn(L"Somme de contr\u00F4le MD5 ");
    Expected = EditIn(L" Comparaison ");
    Browse = FindChild(Main, L"Button", L"...");
    Compute = FindChild(Main, L"Button", L"Calculer");
    Compare = FindChild(Main, L"Button", L"Comparer");
    Quit = FindChild(Main, L"Button", L"Quitter");
    const bool All = FileName && Checksum && Expected && Browse && Compute && Compare && Quit;
    Check(All, L"every control is found by its caption or its group");
    return All;
  }

  // Waits for the end of the process; true when it ended with exit code 0.
  bool EndsWithZero() {
    if (!Process.hProcess)
      return false;
    const bool Ended = ::WaitForSingleObject(Process.hProcess, ReplyTimeout) == WAIT_OBJECT_0;
    DWORD Code = 1;
    if (!Ended)
      ::TerminateProcess(Process.hProcess, 99);
    else
      ::GetExitCodeProcess(Process.hProcess, &Code);
    ExitCode = Code;
    Close();
    return Ended && Code == 0;
  }

  void Close() {
    if (Process.hProcess) {
      ::CloseHandle(Process.hProcess);
      ::CloseHandle(Process.hThread);
      Process = {};
    }
  }

  ~TProgram() {
    if (Process.hProcess) {
      ::TerminateProcess(Process.hProcess, 99);
      Close();
    }
  }

  // "Calculer" with this file name; its handler has run when the click returns.
  std::wstring Calculate(const std::wstring& Name) {
    Type(FileName, Name);
    Send(Compute, BM_CLICK, 0, 0);
    return TextOf(Checksum);
  }

  HWND OwnedDialog(DWORD Timeout) { return OwnedDialogOfClass(L"#32770", Timeout); }
  HWND OwnedDialogOfClass(const wchar_t* Class, DWORD Timeout) {
    return WaitFor([&] { return FindTopLevel(Process.dwProcessId, Class, Main); }, Timeout);
  }
};

// Files the tests hash, written by the driver into a folder of its own.
struct TFiles {
  std::wstring Folder;

  TFiles() {
    wchar_t Temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, Temp);
    Folder = std::wstring(Temp) + L"sumtide-tests-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(Folder.c_str(), nullptr);
  }

  std::wstring Write(const std::wstring& Name, const std::string& Content) {
    const std::wstring Path = Folder + L"\\" + Name;
    const std::wstring Long = Path.size() >= MAX_PATH ? L"\\\\?\\" + Path : Path;
    HANDLE File = ::CreateFileW(Long.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD Written = 0;
    const bool Ok =
        File != INVALID_HANDLE_VALUE &&
        ::WriteFile(File, Content.data(), static_cast<DWORD>(Content.size()), &Written, nullptr) &&
        Written == Content.size();
    if (File != INVALID_HANDLE_VALUE)
      ::CloseHandle(File);
    Check(Ok, L"write the test file " + Name);
    return Path;
  }

  std::wstring MakeFolder(const std::wstring& Name) {
    const std::wstring Path = Folder + L"\\" + Name;
    const std::wstring Long = Path.size() >= MAX_PATH - 12 ? L"\\\\?\\" + Path : Path;
    ::CreateDirectoryW(Long.c_str(), nullptr);
    return Path;
  }
};

constexpr const wchar_t* Md5Empty = L"D41D8CD98F00B204E9800998ECF8427E";
constexpr const wchar_t* Md5Abc = L"900150983CD24FB0D6963F7D28E17F72";
constexpr const wchar_t* Md5Digest = L"F96B697D7CB7938D525A2F31AAF161D0";
constexpr const wchar_t* Md5Fox = L"9E107D9D372BB6826BD81D3542A419D6";
constexpr const wchar_t* Md5Accents = L"3EDE2FFE86A17AC39A022F05F56B71B4";
constexpr const wchar_t* Md5Digits = L"57EDF4A22BE3C955AC49DA2E2107B67A";

void CheckVersionBlock(const std::wstring& Exe) {
  DWORD Ignored = 0;
  const DWORD Size = ::GetFileVersionInfoSizeW(Exe.c_str(), &Ignored);
  std::vector<unsigned char> Block(Size);
  if (!Size || !::GetFileVersionInfoW(Exe.c_str(), 0, Size, Block.data())) {
    Check(false, L"the version block can be read");
    return;
  }
  VS_FIXEDFILEINFO* Fixed = nullptr;
  UINT Length = 0;
  if (::VerQueryValueW(Block.data(), L"\\", reinterpret_cast<void**>(&Fixed), &Length) && Fixed) {
    Check(Fixed->dwFileVersionMS == 0x00010002 && Fixed->dwFileVersionLS == 0,
          L"file version 1.2.0.0");
    Check(Fixed->dwProductVersionMS == 0x00010002 && Fixed->dwProductVersionLS == 0,
          L"product version 1.2.0.0");
    Check(Fixed->dwFileFlagsMask == 0x3F && Fixed->dwFileFlags == 0, L"flags mask 0x3F, flags 0");
    Check(Fixed->dwFileOS == 4 && Fixed->dwFileType == 1 && Fixed->dwFileSubtype == 0,
          L"32-bit Windows, application, no subtype");
  } else {
    Check(false, L"the fixed part of the version block");
  }
  WORD* Translation = nullptr;
  if (::VerQueryValueW(Block.data(), L"\\VarFileInfo\\Translation",
                       reinterpret_cast<void**>(&Translation), &Length) &&
      Length >= 4)
    Check(Translation[0] == 0x040C && Translation[1] == 1252, L"translation 0x040C, 1252");
  else
    Check(false, L"the translation entry");
  struct TEntry {
    const wchar_t* Key;
    const wchar_t* Value;
  };
  const TEntry Entries[] = {
      {L"CompanyName", L"Sumtide"},      {L"FileDescription", L"Somme de contr\u00F4le MD5"},
      {L"FileVersion", L"1.2.0.0"},      {L"InternalName", L"Sumtide"},
      {L"LegalCopyright", L""},          {L"LegalTrademarks", L""},
      {L"OriginalFilename", L"Sumtide"}, {L"ProductName", L"Sumtide"},
      {L"ProductVersion", L"1.2.0.0"},   {L"Comments", L"Freeware - Gratuiciel"},
  };
  for (const TEntry& Entry : Entries) {
    wchar_t* Value = nullptr;
    const std::wstring Path = std::wstring(L"\\StringFileInfo\\040C04E4\\") + Entry.Key;
    const bool Found =
        ::VerQueryValueW(Block.data(), Path.c_str(), reinterpret_cast<void**>(&Value), &Length);
    CheckEqual(Found && Value ? std::wstring(Value) : L"<missing>", Entry.Value, Entry.Key);
  }
}

void CheckWindow(TProgram& P) {
  RECT Client{};
  ::GetClientRect(P.Main, &Client);
  Check(Client.right == 413 && Client.bottom == 180, L"client area 413 x 180 (got " +
                                                         std::to_wstring(Client.right) + L" x " +
                                                         std::to_wstring(Client.bottom) + L")");
  const LONG_PTR Style = ::GetWindowLongPtrW(P.Main, GWL_STYLE);
  Check((Style & WS_SYSMENU) && (Style & WS_MINIMIZEBOX) && !(Style & WS_MAXIMIZEBOX) &&
            !(Style & WS_THICKFRAME),
        L"fixed border, system menu and minimise box only");
  Check(!::IsWindowEnabled(P.Compare), L"\"Comparer\" is disabled at start");
  CheckEqual(TextOf(P.FileName), L"", L"the file name field is empty at start");
  Check((::GetWindowLongPtrW(P.Checksum, GWL_STYLE) & ES_READONLY) != 0,
        L"the checksum field is read-only");
}

void CheckChecksums(TProgram& P, TFiles& Files) {
  struct TCase {
    std::wstring Name;
    std::string Content;
    const wchar_t* Md5;
  };
  // Folders nested deep enough for a path beyond 260 characters.
  std::wstring LongName;
  for (int I = 0; I < 5; ++I) {
    LongName += std::wstring(60, static_cast<wchar_t>(L'a' + I));
    Files.MakeFolder(LongName);
    LongName += L"\\";
  }
  const TCase Cases[] = {
      {L"empty.bin", "", Md5Empty},
      {L"abc.txt", "abc", Md5Abc},
      {L"sans extension", "message digest", Md5Digest},
      {L"donn\u00E9es \u00E9t\u00E9 \u4E2D.txt", "Sumtide \xC3\xA9t\xC3\xA9", Md5Accents},
      {LongName + L"long.txt", "The quick brown fox jumps over the lazy dog", Md5Fox},
  };
  for (const TCase& Case : Cases) {
    const std::wstring Path = Files.Write(Case.Name, Case.Content);
    CheckEqual(P.Calculate(Path), Case.Md5,
               L"checksum of " + Case.Name.substr(0, 40) + L" (" + std::to_wstring(Path.size()) +
                   L" characters)");
  }
  Check(::IsWindowEnabled(P.Compare) != FALSE, L"\"Comparer\" is enabled after a checksum");

  // A file dated before 1980 is hashed like any other.
  const std::wstring Old = Files.Write(
      L"old.txt",
      "12345678901234567890123456789012345678901234567890123456789012345678901234567890");
  HANDLE File = ::CreateFileW(Old.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  SYSTEMTIME Then{1975, 6, 0, 15, 12, 0, 0, 0};
  FILETIME Stamp{};
  ::SystemTimeToFileTime(&Then, &Stamp);
  Check(File != INVALID_HANDLE_VALUE && ::SetFileTime(File, nullptr, nullptr, &Stamp),
        L"date the file 1975");
  ::CloseHandle(File);
  CheckEqual(P.Calculate(Old), Md5Digits, L"checksum of a file dated 1975");

  // Names that give no checksum leave the fields as they were.
  const std::wstring Known = Files.Write(L"known.txt", "abc");
  Files.Write(L"abz.txt", "xyz");
  const std::wstring Folder = Files.MakeFolder(L"folder.txt");
  const std::wstring Busy = Files.Write(L"held open.txt", "held");
  HANDLE Writer = ::CreateFileW(Busy.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  const std::wstring Refused[] = {
      L"",  Files.Folder + L"\\no such file.txt", Folder,
      Busy, Files.Folder + L"\\ab?.txt",          L"\"" + Known + L"\"",
  };
  for (const std::wstring& Name : Refused) {
    P.Calculate(Known);
    CheckEqual(P.Calculate(Name), Md5Abc, L"nothing changes for \"" + Name + L"\"");
  }
  ::CloseHandle(Writer);
}

// Clicks "Comparer" and answers the box; returns its text, and whether its caption was empty.
std::wstring CompareBox(TProgram& P, bool& EmptyCaption) {
  ::PostMessageW(P.Compare, BM_CLICK, 0, 0);
  HWND Box = P.OwnedDialog(ReplyTimeout);
  if (!Box)
    return L"<no message box>";
  EmptyCaption = TextOf(Box).empty();
  HWND Static = ::GetDlgItem(Box, 0xFFFF);
  const std::wstring Text = Static ? TextOf(Static) : L"<no text>";
  ::PostMessageW(Box, WM_COMMAND, IDOK, 0);
  WaitUntil([&] { return !::IsWindow(Box); }, ReplyTimeout);
  Check(!::IsWindow(Box), L"the message box closes with OK");
  return Text;
}

void CheckCompare(TProgram& P, TFiles& Files) {
  CheckEqual(P.Calculate(Files.Write(L"compare.txt", "abc")), Md5Abc, L"checksum to compare");
  const std::wstring Same = L"Les sommes de contr\u00F4le MD5 sont identiques.";
  const std::wstring Different = L"Les sommes de contr\u00F4le MD5 sont diff\u00E9rentes.";
  struct TCase {
    std::wstring Typed, Box, Left;
  };
  const TCase Cases[] = {
      {L"900150983CD24FB0D6963F7D28E17F72", Same, L"900150983CD24FB0D6963F7D28E17F72"},
      {L"  900150983cd24fb0d6963f7d28e17f72 ", Same, L"900150983cd24fb0d6963f7d28e17f72"},
      {L"900150983CD24FB0D6963F7D28E17F72\t", Same, L"900150983CD24FB0D6963F7D28E17F72"},
      {L"900150983CD24FB0D6963F7D28E17F7", Different, L"900150983CD24FB0D6963F7D28E17F7"},
      {L"900150983CD24FB0D6963F7D28E17F72\u00A0", Different,
       L"900150983CD24FB0D6963F7D28E17F72\u00A0"},
      {L"   ", Different, L""},
  };
  for (const TCase& Case : Cases) {
    Type(P.Expected, Case.Typed);
    bool EmptyCaption = false;
    CheckEqual(CompareBox(P, EmptyCaption), Case.Box, L"compare \"" + Case.Typed + L"\"");
    Check(EmptyCaption, L"the box has an empty caption");
    CheckEqual(TextOf(P.Expected), Case.Left, L"the comparison field after the compare");
  }
}

// A descendant of Parent by its control identifier.
HWND FindById(HWND Parent, int Id) {
  struct TSearch {
    int Id;
    HWND Found;
  } Search{Id, nullptr};
  ::EnumChildWindows(
      Parent,
      [](HWND Window, LPARAM Data) -> BOOL {
        auto& S = *reinterpret_cast<TSearch*>(Data);
        if (::GetDlgCtrlID(Window) == S.Id) {
          S.Found = Window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&Search));
  return Search.Found;
}

// The open dialog's file name box: the edit inside the name combo box (explorer style), or the
// plain edit.
HWND DialogNameBox(HWND Dialog) {
  if (HWND Combo = FindById(Dialog, cmb13)) {
    if (ClassOf(Combo) == L"Edit")
      return Combo;
    if (HWND Edit = FindChild(Combo, L"Edit", nullptr))
      return Edit;
  }
  return FindById(Dialog, edt1);
}

void CheckOpenDialog(TProgram& P, TFiles& Files) {
  const std::wstring Chosen = Files.Write(L"chosen.txt", "message digest");
  P.Calculate(Files.Write(L"before.txt", "abc"));
  ::PostMessageW(P.Browse, BM_CLICK, 0, 0);
  HWND Dialog = P.OwnedDialog(StartTimeout);
  Check(Dialog != nullptr, L"\"...\" opens the file dialog");
  if (!Dialog)
    return;
  if (HWND Types = FindById(Dialog, cmb1)) {
    Check(Send(Types, CB_GETCOUNT, 0, 0) == 11, L"the dialog lists eleven file types");
    Check(Send(Types, CB_GETCURSEL, 0, 0) == 0, L"the first file type is chosen");
    wchar_t First[64] = {};
    Send(Types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(First));
    CheckEqual(First, L"All files (*.*)", L"the first file type");
  }
  HWND NameBox = DialogNameBox(Dialog);
  Check(NameBox != nullptr, L"the dialog's file name box is found");
  Type(NameBox, Chosen);
  ::PostMessageW(Dialog, WM_COMMAND, IDOK, 0);
  Check(WaitUntil([&] { return !::IsWindow(Dialog); }, ReplyTimeout), L"the dialog closes on OK");
  WaitUntil([&] { return TextOf(P.Checksum) == Md5Digest; }, ReplyTimeout);
  CheckEqual(TextOf(P.FileName), Chosen, L"the chosen file's path in the file name field");
  CheckEqual(TextOf(P.Checksum), Md5Digest, L"its checksum computed at once");

  P.Calculate(Files.Write(L"after.txt", "abc"));
  ::PostMessageW(P.Browse, BM_CLICK, 0, 0);
  Dialog = P.OwnedDialog(StartTimeout);
  Check(Dialog != nullptr, L"the dialog opens again");
  if (!Dialog)
    return;
  const std::wstring Offered = TextOf(DialogNameBox(Dialog));
  Check(Offered.find(L"chosen.txt") != std::wstring::npos,
        L"the dialog offers the file chosen before (\"" + Offered + L"\")");
  ::PostMessageW(Dialog, WM_COMMAND, IDCANCEL, 0);
  Check(WaitUntil([&] { return !::IsWindow(Dialog); }, ReplyTimeout),
        L"the dialog closes on Cancel");
  ::Sleep(200);
  CheckEqual(TextOf(P.Checksum), Md5Abc, L"cancelling changes nothing");
}

// A drop as the shell makes it: a DROPFILES block with wide names, handed over with the message.
// A memory handle means nothing in another process, so the block is written into the program's
// own memory, where the drop handle it receives points (a fixed block, as GlobalLock accepts).
void Drop(TProgram& P, const std::vector<std::wstring>& Names) {
  std::vector<unsigned char> Block(sizeof(DROPFILES));
  DROPFILES Header{};
  Header.pFiles = sizeof(DROPFILES);
  Header.fWide = TRUE;
  std::memcpy(Block.data(), &Header, sizeof Header);
  const auto Append = [&](const wchar_t* Text, std::size_t Length) {
    const auto* Bytes = reinterpret_cast<const unsigned char*>(Text);
    Block.insert(Block.end(), Bytes, Bytes + Length * sizeof(wchar_t));
  };
  for (const std::wstring& Name : Names)
    Append(Name.c_str(), Name.size() + 1);
  Append(L"", 1);
  void* Remote = ::VirtualAllocEx(P.Process.hProcess, nullptr, Block.size(),
                                  MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  SIZE_T Written = 0;
  const bool Ok =
      Remote &&
      ::WriteProcessMemory(P.Process.hProcess, Remote, Block.data(), Block.size(), &Written) &&
      Written == Block.size();
  Check(Ok, L"hand the drop to the program");
  if (Ok)
    ::PostMessageW(P.Main, WM_DROPFILES, reinterpret_cast<WPARAM>(Remote), 0);
}

void CheckDrops(TProgram& P, TFiles& Files) {
  std::wstring Nested;
  for (int I = 0; I < 5; ++I) {
    Nested +=
        (Nested.empty() ? L"drop" : L"\\drop") + std::wstring(55, static_cast<wchar_t>(L'k' + I));
    Files.MakeFolder(Nested);
  }
  const std::wstring Deep = Files.Folder + L"\\" + Nested;
  const std::wstring LongFile = Files.Write(Nested + L"\\dropped.txt", "message digest");
  const std::wstring Short = Files.Write(L"dropped \u00E9.txt", "abc");
  const std::wstring Other = Files.Write(L"other.txt", "xyz");

  P.Calculate(Files.Write(L"start.txt", "The quick brown fox jumps over the lazy dog"));
  Drop(P, {Short});
  Check(WaitUntil([&] { return TextOf(P.Checksum) == Md5Abc; }, ReplyTimeout),
        L"a dropped file is hashed");
  CheckEqual(TextOf(P.FileName), Short, L"its path in the file name field");

  Drop(P, {LongFile});
  Check(WaitUntil([&] { return TextOf(P.Checksum) == Md5Digest; }, ReplyTimeout),
        L"a dropped file with a path of " + std::to_wstring(LongFile.size()) +
            L" characters is hashed");
  CheckEqual(TextOf(P.FileName), LongFile, L"its whole path in the file name field");

  Drop(P, {Short, Other});
  Drop(P, {Deep});
  // The folder's drop is handled after the pair's: once its path shows, both have been.
  Check(WaitUntil([&] { return TextOf(P.FileName) == Deep; }, ReplyTimeout),
        L"a dropped folder's path is taken");
  CheckEqual(TextOf(P.Checksum), Md5Digest, L"two files, or a folder, dropped change no checksum");
}

// The control that has the keyboard focus in the program.
HWND Focused(const TProgram& P) {
  GUITHREADINFO Info{};
  Info.cbSize = sizeof Info;
  return ::GetGUIThreadInfo(P.Process.dwThreadId, &Info) ? Info.hwndFocus : nullptr;
}

// A key pressed and released on the focused control, through the program's message loop.
void Press(const TProgram& P, UINT Key) {
  HWND Target = Focused(P);
  ::PostMessageW(Target ? Target : P.Main, WM_KEYDOWN, Key, 1);
  ::PostMessageW(Target ? Target : P.Main, WM_KEYUP, Key, static_cast<LPARAM>(0xC0000001));
}

// Tab visits the buttons in tab order, "Comparer" only while it is enabled, and wraps around.
void CheckTabOrder(TProgram& P, const std::vector<HWND>& Order, const std::wstring& When) {
  const auto Name = [](HWND Window) { return L"\"" + TextOf(Window) + L"\""; };
  Check(WaitUntil([&] { return Focused(P) == Order.front(); }, ReplyTimeout),
        Name(Order.front()) + L" has the focus " + When);
  for (std::size_t I = 1; I <= Order.size(); ++I) {
    HWND Next = Order[I % Order.size()];
    Press(P, VK_TAB);
    Check(WaitUntil([&] { return Focused(P) == Next; }, ReplyTimeout),
          L"Tab moves to " + Name(Next) + L" " + When);
  }
}

void CheckKeys(TProgram& P, TFiles& Files) {
  // "Calculer" has the focus: Escape presses nothing, Enter presses it.
  const std::wstring Name = Files.Write(L"enter.txt", "message digest");
  P.Calculate(Files.Write(L"before enter.txt", "abc"));
  Type(P.FileName, Name);
  Press(P, VK_ESCAPE);
  ::Sleep(300);
  CheckEqual(TextOf(P.Checksum), Md5Abc, L"Escape presses nothing");
  Press(P, VK_RETURN);
  WaitUntil([&] { return TextOf(P.Checksum) == Md5Digest; }, ReplyTimeout);
  CheckEqual(TextOf(P.Checksum), Md5Digest, L"Enter presses the focused button");
}

// --- Real input: keys and clicks through the system's input queue (SendInput), to the window in
// front, as a user's keyboard and mouse deliver them.

void SendKey(WORD Key, bool Shift = false) {
  std::vector<INPUT> Inputs;
  const auto Add = [&](WORD K, DWORD Flags) {
    INPUT In{};
    In.type = INPUT_KEYBOARD;
    In.ki.wVk = K;
    In.ki.dwFlags = Flags;
    Inputs.push_back(In);
  };
  if (Shift)
    Add(VK_SHIFT, 0);
  Add(Key, 0);
  Add(Key, KEYEVENTF_KEYUP);
  if (Shift)
    Add(VK_SHIFT, KEYEVENTF_KEYUP);
  ::SendInput(static_cast<UINT>(Inputs.size()), Inputs.data(), sizeof(INPUT));
}

// A left click in the middle of Control: the pointer moved there and pressed in one input. A click
// too soon after the last one would be a double click, which an edit takes without the focus.
void ClickOn(HWND Control) {
  ::Sleep(::GetDoubleClickTime() + 100);
  RECT Box{};
  ::GetWindowRect(Control, &Box);
  const int Width = std::max(::GetSystemMetrics(SM_CXSCREEN) - 1, 1);
  const int Height = std::max(::GetSystemMetrics(SM_CYSCREEN) - 1, 1);
  INPUT Inputs[3] = {};
  for (INPUT& In : Inputs)
    In.type = INPUT_MOUSE;
  Inputs[0].mi.dx = (Box.left + Box.right) / 2 * 65535 / Width;
  Inputs[0].mi.dy = (Box.top + Box.bottom) / 2 * 65535 / Height;
  Inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  Inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  Inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ::SendInput(3, Inputs, sizeof(INPUT));
}

// Brings the program's window to the front, where real input goes.
void Activate(const TProgram& P) {
  ::SetForegroundWindow(P.Main);
  WaitUntil([&] { return ::GetForegroundWindow() == P.Main; }, ReplyTimeout);
}

// Answers a dialog or message box of the program and waits until none is left.
void Dismiss(TProgram& P, HWND Dialog, WPARAM Command) {
  ::PostMessageW(Dialog, WM_COMMAND, Command, 0);
  WaitUntil([&] { return !P.OwnedDialog(0); }, ReplyTimeout);
  Activate(P);
}

// Clicks on Control until Done holds: under Wine the first real click after a window came to the
// front is now and then taken by the activation alone. A few tries at most, each only while Done
// does not hold yet.
template <class TDone> bool ClickUntil(HWND Control, TDone Done) {
  for (int Try = 0; Try < 3; ++Try) {
    ClickOn(Control);
    if (WaitUntil(Done, 3000))
      return true;
  }
  return false;
}

// Clicks into Control until it has the focus.
bool ClickToFocus(const TProgram& P, HWND Control) {
  return ClickUntil(Control, [&] { return Focused(P) == Control; });
}

bool IsButtonOf(const TProgram& P, HWND Window) {
  return Window == P.Browse || Window == P.Compute || Window == P.Compare || Window == P.Quit;
}

// Moves the focus with real Tab presses until Target has it; false when it never comes.
bool TabTo(const TProgram& P, HWND Target, bool Shift = false) {
  for (int I = 0; I < 8 && Focused(P) != Target; ++I) {
    const HWND Before = Focused(P);
    SendKey(VK_TAB, Shift);
    WaitUntil([&] { return Focused(P) != Before; }, ReplyTimeout);
  }
  return Focused(P) == Target;
}

void CheckRealKeys(TProgram& P, TFiles& Files) {
  Activate(P);
  const std::wstring Digest = Files.Write(L"real keys.txt", "message digest");
  P.Calculate(Files.Write(L"before real keys.txt", "abc"));
  CheckEqual(TextOf(P.Checksum), Md5Abc, L"a first checksum");

  // A click into the file-name field, a name typed, Tab until "Calculer", Enter.
  Check(ClickToFocus(P, P.FileName), L"a click gives the file-name field the focus");
  Type(P.FileName, Digest);
  Check(TabTo(P, P.Compute), L"Tab from the file-name field reaches \"Calculer\"");
  SendKey(VK_RETURN);
  Check(WaitUntil([&] { return TextOf(P.Checksum) == Md5Digest; }, ReplyTimeout),
        L"Enter presses \"Calculer\" reached by Tab");

  // From each edit: Enter and Escape press nothing; Tab and Shift+Tab go to a button.
  P.Calculate(Files.Write(L"again real keys.txt", "abc"));
  const std::pair<HWND, const wchar_t*> Edits[] = {{P.FileName, L"the file-name field"},
                                                   {P.Checksum, L"the checksum field"},
                                                   {P.Expected, L"the comparison field"}};
  for (const auto& [Edit, Name] : Edits) {
    for (const bool Shift : {false, true}) {
      Check(ClickToFocus(P, Edit), std::wstring(L"a click gives ") + Name + L" the focus");
      SendKey(VK_RETURN);
      SendKey(VK_ESCAPE);
      ::Sleep(300);
      Check(Focused(P) == Edit && !P.OwnedDialog(0) && TextOf(P.Checksum) == Md5Abc,
            std::wstring(L"Enter and Escape in ") + Name + L" press nothing");
      SendKey(VK_TAB, Shift);
      Check(WaitUntil([&] { return IsButtonOf(P, Focused(P)); }, ReplyTimeout),
            std::wstring(Shift ? L"Shift+Tab" : L"Tab") + L" from " + Name + L" goes to a button");
    }
  }

  // From each button reached by Tab or Shift+Tab, or clicked: Escape presses nothing, Enter
  // presses it.
  Type(P.FileName, Digest);
  Check(TabTo(P, P.Compute, true), L"Shift+Tab reaches \"Calculer\"");
  SendKey(VK_ESCAPE);
  ::Sleep(300);
  CheckEqual(TextOf(P.Checksum), Md5Abc, L"Escape on \"Calculer\" presses nothing");
  SendKey(VK_RETURN);
  Check(WaitUntil([&] { return TextOf(P.Checksum) == Md5Digest; }, ReplyTimeout),
        L"Enter presses \"Calculer\" reached by Shift+Tab");

  Type(P.Expected, Md5Digest);
  Check(TabTo(P, P.Compare), L"Tab reaches \"Comparer\"");
  SendKey(VK_RETURN);
  HWND Box = P.OwnedDialog(ReplyTimeout);
  Check(Box != nullptr, L"Enter presses \"Comparer\" reached by Tab");
  if (Box)
    Dismiss(P, Box, IDOK);

  // The first open dialog of a process takes Wine long to build, as in CheckOpenDialog; and the
  // window has just come to the front again, so the first click may go to its activation alone:
  // once no dialog came in all that time, one more click.
  HWND Dialog = nullptr;
  for (int Try = 0; Try < 2 && !Dialog; ++Try) {
    ClickOn(P.Browse);
    Dialog = P.OwnedDialog(StartTimeout);
  }
  Check(Dialog != nullptr, L"a click on \"...\" opens the dialog");
  if (Dialog)
    Dismiss(P, Dialog, IDCANCEL);
  Check(WaitUntil([&] { return Focused(P) == P.Browse; }, ReplyTimeout),
        L"\"...\" keeps the focus after its dialog");
  SendKey(VK_ESCAPE);
  ::Sleep(300);
  Check(!P.OwnedDialog(0), L"Escape on \"...\" presses nothing");
  SendKey(VK_RETURN);
  Dialog = P.OwnedDialog(ReplyTimeout);
  Check(Dialog != nullptr, L"Enter presses \"...\" that a click focused");
  if (Dialog)
    Dismiss(P, Dialog, IDCANCEL);
}

int WidthOf(HWND Window) {
  RECT Box{};
  ::GetWindowRect(Window, &Box);
  return Box.right - Box.left;
}

// Moved to a monitor of another resolution, the window gets WM_DPICHANGED with the rectangle the
// system suggests for it there (written into the program's memory, where the message's pointer
// points): fonts, places and sizes follow the new resolution, the window takes the rectangle,
// and it works as before; moved back, it is as it was, but for rounding.
void CheckMonitorChange(TProgram& P, TFiles& Files) {
  // The signature sizes itself to its caption in its font: its width tells the font's size
  // (a font of another process cannot be read).
  HWND Signature = FindChild(P.Main, L"Static", L"K!Vo");
  Check(Signature != nullptr, L"the signature is found");
  const int Font = Signature ? WidthOf(Signature) : 0;
  const int Width = WidthOf(P.Compute);
  RECT Window{};
  ::GetWindowRect(P.Main, &Window);
  const auto MoveTo = [&](int Dpi, const RECT& Suggested) {
    void* Remote = ::VirtualAllocEx(P.Process.hProcess, nullptr, sizeof Suggested,
                                    MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!Remote ||
        !::WriteProcessMemory(P.Process.hProcess, Remote, &Suggested, sizeof Suggested, nullptr)) {
      Check(false, L"write the suggested rectangle into the program");
      return;
    }
    Send(P.Main, WM_DPICHANGED, MAKEWPARAM(Dpi, Dpi), reinterpret_cast<LPARAM>(Remote));
    ::VirtualFreeEx(P.Process.hProcess, Remote, 0, MEM_RELEASE);
  };
  const RECT Larger{Window.left + 10, Window.top + 20,
                    Window.left + 10 + (Window.right - Window.left) * 3 / 2,
                    Window.top + 20 + (Window.bottom - Window.top) * 3 / 2};
  MoveTo(144, Larger);
  const int Text = Signature ? WidthOf(Signature) : 0;
  Check(Text * 4 >= Font * 5, L"at 144 pixels per inch the text is larger (the signature " +
                                  std::to_wstring(Text) + L" wide, was " + std::to_wstring(Font) +
                                  L")");
  Check(WidthOf(P.Compute) * 2 >= Width * 3 - 4,
        L"at 144 pixels per inch \"Calculer\" is half as wide again (" +
            std::to_wstring(WidthOf(P.Compute)) + L", was " + std::to_wstring(Width) + L")");
  RECT Now{};
  ::GetWindowRect(P.Main, &Now);
  Check(Now.left == Larger.left && Now.top == Larger.top && Now.right == Larger.right &&
            Now.bottom == Larger.bottom,
        L"the window takes the suggested rectangle");
  CheckEqual(P.Calculate(Files.Write(L"on another monitor.txt", "abc")), Md5Abc,
             L"the window computes on the other monitor");
  MoveTo(96, Window);
  Check(std::abs((Signature ? WidthOf(Signature) : 0) - Font) <= 2 &&
            std::abs(WidthOf(P.Compute) - Width) <= 2,
        L"back at 96 pixels per inch the window is as it was");
}

// A file of 6 GiB (sparse: it costs no disk) takes more than a second to hash, so the progress
// display comes; "Annuler" stops the run and changes nothing. The file is large enough that the
// run is still going when the display shows, however fast the machine.
void CheckProgress(TProgram& P, TFiles& Files) {
  const std::wstring Path = Files.Folder + L"\\huge.bin";
  HANDLE File = ::CreateFileW(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD Returned = 0;
  LARGE_INTEGER Size;
  Size.QuadPart = std::int64_t{6} << 30;
  const bool Made =
      File != INVALID_HANDLE_VALUE &&
      (::DeviceIoControl(File, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &Returned, nullptr),
       true) &&
      ::SetFilePointerEx(File, Size, nullptr, FILE_BEGIN) && ::SetEndOfFile(File);
  if (File != INVALID_HANDLE_VALUE)
    ::CloseHandle(File);
  Check(Made, L"make a sparse file of 6 GiB");
  if (!Made)
    return;
  P.Calculate(Files.Write(L"before huge.txt", "abc"));
  Type(P.FileName, Path);
  ::PostMessageW(P.Compute, BM_CLICK, 0, 0);
  HWND Progress = P.OwnedDialogOfClass(L"SumtideProgress", StartTimeout);
  Check(Progress != nullptr, L"a file of 6 GiB is hashed under a progress display");
  if (Progress) {
    HWND Cancel = FindChild(Progress, L"Button", L"Annuler");
    Check(Cancel != nullptr, L"the progress display has \"Annuler\"");
    ::PostMessageW(Cancel ? Cancel : Progress, Cancel ? BM_CLICK : WM_CLOSE, 0, 0);
    Check(WaitUntil([&] { return !::IsWindow(Progress); }, ReplyTimeout),
          L"\"Annuler\" ends the run");
  }
  Check(WaitUntil([&] { return ::IsWindowEnabled(P.Main) != FALSE; }, ReplyTimeout),
        L"the window takes input again");
  CheckEqual(TextOf(P.Checksum), Md5Abc, L"a cancelled run changes nothing");
  ::DeleteFileW(Path.c_str());
}

// An environment variable of the driver, which the programs it starts inherit, for as long as
// this lives.
class TEnvironment {
public:
  TEnvironment(const wchar_t* Name, const wchar_t* Value) : FName(Name) {
    ::SetEnvironmentVariableW(Name, Value);
  }
  ~TEnvironment() { ::SetEnvironmentVariableW(FName, nullptr); }
  TEnvironment(const TEnvironment&) = delete;
  TEnvironment& operator=(const TEnvironment&) = delete;

private:
  const wchar_t* FName;
};

// On a slow medium (the program started with SUMTIDE_SLOW_READS: every read of a file waits 300
// ms first) a quick file shows no progress display, and a file of 128 MiB, read in pieces of 1 MiB,
// would take 40 seconds (long enough that it cannot end by itself while the checks before
// "Annuler" run, even on a busy machine): after about a second the display comes, the window
// answers and repaints under it, and "Annuler" clicked with the mouse ends the run with nothing
// changed.
void CheckSlowProgress(const std::wstring& Exe, TFiles& Files) {
  const std::wstring Slow = Files.Write(L"slow.bin", std::string(std::size_t{128} << 20, 's'));
  const std::wstring Quick = Files.Write(L"quick.txt", "abc");
  const TEnvironment SlowReads(L"SUMTIDE_SLOW_READS", L"300");
  TProgram P;
  if (!P.Start(Exe))
    return;
  Activate(P);

  Type(P.FileName, Quick);
  ::PostMessageW(P.Compute, BM_CLICK, 0, 0);
  bool Shown = false;
  WaitUntil(
      [&] {
        Shown = Shown || P.OwnedDialogOfClass(L"SumtideProgress", 0) != nullptr;
        return TextOf(P.Checksum) == Md5Abc;
      },
      ReplyTimeout);
  CheckEqual(TextOf(P.Checksum), Md5Abc, L"a quick file read slowly is hashed");
  Check(!Shown, L"a quick file shows no progress display");

  Type(P.FileName, Slow);
  ClickOn(P.Compute);
  const ULONGLONG Clicked = ::GetTickCount64();
  HWND Progress = P.OwnedDialogOfClass(L"SumtideProgress", StartTimeout);
  const ULONGLONG Waited = ::GetTickCount64() - Clicked;
  Check(Progress != nullptr, L"a slow run gets the progress display");
  if (!Progress) {
    // What the window shows instead, so that a failure says what came.
    if (HWND Box = P.OwnedDialog(0)) {
      std::wstring Texts;
      ::EnumChildWindows(
          Box,
          [](HWND Child, LPARAM Data) -> BOOL {
            if (const std::wstring Text = TextOf(Child); !Text.empty())
              *reinterpret_cast<std::wstring*>(Data) += L" \"" + Text + L"\"";
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&Texts));
      std::printf("     instead a message box \"%s\":%s\n", Utf8(TextOf(Box)).c_str(),
                  Utf8(Texts).c_str());
    } else {
      std::printf("     instead no owned window; the window is %s\n",
                  ::IsWindowEnabled(P.Main) ? "enabled" : "disabled");
    }
  }
  if (Progress) {
    // The clock ticks by about 16 ms.
    Check(Waited >= 950, L"the display comes after a second (" + std::to_wstring(Waited) +
                             L" ms after the click)");
    DWORD_PTR Ignored = 0;
    Check(::SendMessageTimeoutW(P.Main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &Ignored) != 0,
          L"the window answers while the run goes on");
    ::InvalidateRect(P.Main, nullptr, TRUE);
    Check(WaitUntil([&] { return !::GetUpdateRect(P.Main, nullptr, FALSE); }, 3000) &&
              ::IsWindow(Progress),
          L"the window repaints under the display");
    HWND Cancel = FindChild(Progress, L"Button", L"Annuler");
    Check(Cancel != nullptr, L"the progress display has \"Annuler\"");
    // The display has just come to the front: its first click may go to its activation alone.
    Check(Cancel && ClickUntil(Cancel, [&] { return !::IsWindow(Progress); }),
          L"\"Annuler\" clicked ends the run");
  }
  Check(WaitUntil([&] { return ::IsWindowEnabled(P.Main) != FALSE; }, ReplyTimeout),
        L"the window takes input again");
  CheckEqual(TextOf(P.Checksum), Md5Abc, L"a cancelled slow run changes nothing");
  CheckEqual(TextOf(P.FileName), Slow, L"the file name stays");
  ::PostMessageW(P.Main, WM_CLOSE, 0, 0);
  Check(P.EndsWithZero(), L"the program ends after a cancelled slow run");
}

// What the system's accessibility interface tells a screen reader of a control: its name and
// role, asked from this process as a screen reader asks.
struct TAccessible {
  std::wstring Name;
  long Role = 0;
  bool Found = false;
};
TAccessible AccessibleOf(HWND Window) {
  TAccessible Result;
  IAccessible* Object = nullptr;
  // __uuidof: MinGW's import library gives the name IID_IAccessible to a thunk.
  if (FAILED(::AccessibleObjectFromWindow(Window, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&Object))) ||
      !Object)
    return Result;
  Result.Found = true;
  VARIANT Self;
  ::VariantInit(&Self);
  Self.vt = VT_I4;
  Self.lVal = CHILDID_SELF;
  BSTR Name = nullptr;
  if (Object->get_accName(Self, &Name) == S_OK && Name) {
    Result.Name.assign(Name, ::SysStringLen(Name));
    ::SysFreeString(Name);
  }
  VARIANT Role;
  ::VariantInit(&Role);
  if (Object->get_accRole(Self, &Role) == S_OK && Role.vt == VT_I4)
    Result.Role = Role.lVal;
  Object->Release();
  return Result;
}

void CheckAccessibility(TProgram& P) {
  const struct {
    HWND Control;
    const wchar_t* Name;
    long Role;
  } Expected[] = {{P.FileName, L"Nom de fichier", ROLE_SYSTEM_TEXT},
                  {P.Checksum, L"Somme de contr\u00F4le MD5", ROLE_SYSTEM_TEXT},
                  {P.Expected, L"Comparaison", ROLE_SYSTEM_TEXT},
                  {FindChild(P.Main, L"Static", L"K!Vo"), L"K!Vo", ROLE_SYSTEM_LINK}};
  for (const auto& Control : Expected) {
    const TAccessible Got = AccessibleOf(Control.Control);
    Check(Got.Found, std::wstring(L"an accessible object for ") + Control.Name);
    CheckEqual(Got.Name, Control.Name, L"the accessible name");
    Check(Got.Role == Control.Role, std::wstring(L"the accessible role of ") + Control.Name);
  }
}

// How each run of the program ends: every way gives exit code 0.
void CheckEnding(const std::wstring& Exe, const wchar_t* How,
                 const std::function<void(TProgram&)>& End) {
  TProgram P;
  if (!P.Start(Exe))
    return;
  End(P);
  Check(P.EndsWithZero(), std::wstring(How) + L" ends the program with exit code 0");
}

// A planted library's start-up code ends the process with this exit code.
constexpr DWORD PlantedLibraryMark = 86;

void CheckNothingPlantedLoads(const std::wstring& Exe) {
  const std::wstring Folder = Exe.substr(0, Exe.find_last_of(L'\\'));
  TFiles Files;
  TProgram P;
  if (P.Start(Exe, Folder.c_str())) {
    CheckWindow(P);
    CheckAccessibility(P);
    CheckEqual(P.Calculate(Files.Write(L"abc.txt", "abc")), Md5Abc, L"a checksum");
    CheckOpenDialog(P, Files);
    Drop(P, {Files.Write(L"dropped.txt", "")});
    WaitUntil([&] { return TextOf(P.Checksum) == Md5Empty; }, ReplyTimeout);
    CheckEqual(TextOf(P.Checksum), Md5Empty, L"a dropped file's checksum");
    ::PostMessageW(P.Main, WM_CLOSE, 0, 0);
    Check(P.EndsWithZero(), L"the close box ends the program with exit code 0");
  }
  if (P.Process.hProcess) { // the window never came, or the program never ended
    ::WaitForSingleObject(P.Process.hProcess, 1000);
    ::GetExitCodeProcess(P.Process.hProcess, &P.ExitCode);
  }
  Check(P.ExitCode != PlantedLibraryMark, L"no library planted beside the program was loaded");
}

} // namespace

int wmain(int argc, wchar_t* argv[]) {
  ::CoInitialize(nullptr);
  const bool Planted = argc == 3 && std::wstring(argv[1]) == L"--planted";
  if (argc != 2 && !Planted) {
    std::printf("usage: sumtide-wine-tests [--planted] <path of sumtide.exe>\n");
    return 2;
  }
  wchar_t Full[MAX_PATH] = {};
  ::GetFullPathNameW(argv[argc - 1], MAX_PATH, Full, nullptr);
  const std::wstring Exe = Full;
  if (Planted) {
    CheckNothingPlantedLoads(Exe);
    std::printf("%d failure(s)\n", Failures);
    return Failures == 0 ? 0 : 1;
  }
  CheckVersionBlock(Exe);

  TFiles Files;
  {
    TProgram P;
    if (P.Start(Exe)) {
      CheckWindow(P);
      CheckAccessibility(P);
      CheckTabOrder(P, {P.Browse, P.Compute, P.Quit}, L"while \"Comparer\" is disabled");
      CheckChecksums(P, Files);
      // The last click gave "Calculer" the focus.
      CheckTabOrder(P, {P.Compute, P.Compare, P.Quit, P.Browse}, L"once \"Comparer\" is enabled");
      CheckKeys(P, Files);
      CheckRealKeys(P, Files);
      CheckMonitorChange(P, Files);
      CheckCompare(P, Files);
      CheckOpenDialog(P, Files);
      CheckDrops(P, Files);
      CheckProgress(P, Files);
      ::PostMessageW(P.Main, WM_CLOSE, 0, 0);
      Check(P.EndsWithZero(), L"the close box (WM_CLOSE) ends the program with exit code 0");
    }
  }
  CheckSlowProgress(Exe, Files);
  CheckEnding(Exe, L"\"Quitter\"", [](TProgram& P) { ::PostMessageW(P.Quit, BM_CLICK, 0, 0); });
  CheckEnding(Exe, L"Tab to \"Quitter\" and Enter", [](TProgram& P) {
    Activate(P);
    WaitUntil([&] { return Focused(P) != nullptr; }, ReplyTimeout);
    Check(TabTo(P, P.Quit), L"Tab reaches \"Quitter\"");
    SendKey(VK_RETURN);
  });
  CheckEnding(Exe, L"the system menu's Close (SC_CLOSE)",
              [](TProgram& P) { ::PostMessageW(P.Main, WM_SYSCOMMAND, SC_CLOSE, 0); });

  std::printf("%d failure(s)\n", Failures);
  return Failures == 0 ? 0 : 1;
}

#include "app/win32/main_form.h"

#include <windows.h>
// after windows.h, which they build on
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/datastore_discovery.h"
#include "app/win32/win32_controls.h"
#include "app/win32/win32_error_report.h"
#include "platform/registry.h"
#include "platform/win32/wide_text.h"
#include "support/temp_directory.h"
#include "window_fakes.h"

// The Win32 window's own wiring: its layout, which messages reach which handler of the logic, its
// keys, drops, notice and tooltips, and the hand-over of the work between the threads. The flows
// behind the handlers are the logic's, tested without a toolkit.

namespace velmorra {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using namespace velmorra::testing;

constexpr wchar_t kStoresKey[] = L"Software\\Nokia\\MPlatform\\DataStores";

// The datastores' registry key under HKEY_CURRENT_USER, made by the test and removed again.
class TRegisteredStores {
 public:
  TRegisteredStores() { RegDeleteTreeW(HKEY_CURRENT_USER, kStoresKey); }
  ~TRegisteredStores() { RegDeleteTreeW(HKEY_CURRENT_USER, kStoresKey); }
  // A subkey; with a value "DatastorePath" unless `type` is REG_NONE.
  void Add(const std::string& subkey, DWORD type = REG_NONE, const std::string& folder = "") {
    HKEY key = nullptr;
    const std::wstring path = std::wstring(kStoresKey) + L"\\" + Widen(subkey);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring data = Widen(folder);
    if (type == REG_SZ) {
      RegSetValueExW(key, L"DatastorePath", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    } else if (type == REG_DWORD) {
      const DWORD number = 7;
      RegSetValueExW(key, L"DatastorePath", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                     sizeof(number));
    }
    RegCloseKey(key);
  }
};

// Message boxes that also note whether the main window was on screen at the time.
class TWatchingMessages : public IMessageBoxes {
 public:
  explicit TWatchingMessages(TEventLog& log) : log_(log) {}
  void ShowMessage(TMessageBoxKind kind, const std::string& text) override {
    HWND window = FindWindowW(L"TfrmMain", nullptr);
    log_.push_back(MessageLine(kind, text) +
                   (window != nullptr && IsWindowVisible(window) ? " [shown]" : " [hidden]"));
  }

 private:
  TEventLog& log_;
};

std::vector<std::string> Items(HWND combo) {
  TWin32PhoneList list(combo);
  std::vector<std::string> items;
  for (int i = 0; i < list.ItemCount(); ++i)
    items.push_back(list.Item(i));
  return items;
}

RECT ClientRectOf(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// A shell drop of `names` as Explorer makes it: DROPFILES and the names as UTF-16, each ended by
// a NUL, the list by a second one. The window's DragFinish frees it.
HDROP MakeDrop(const std::vector<std::string>& names) {
  std::wstring list;
  for (const std::string& name : names)
    list += Widen(name) + L'\0';
  list += L'\0';
  const size_t size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GHND, size);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->pt = POINT{20, 30};
  drop->fWide = TRUE;
  memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(),
         list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

// The tip that the window's tooltip control shows over `tool`.
std::string ToolTipOf(HWND window, HWND tool) {
  struct TSearch {
    HWND Owner;
    HWND Found = nullptr;
  } search{window};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND candidate, LPARAM data) -> BOOL {
        auto* found = reinterpret_cast<TSearch*>(data);
        wchar_t kind[64];
        GetClassNameW(candidate, kind, 64);
        if (_wcsicmp(kind, TOOLTIPS_CLASSW) == 0 && GetWindow(candidate, GW_OWNER) == found->Owner)
          found->Found = candidate;
        return found->Found == nullptr;
      },
      reinterpret_cast<LPARAM>(&search));
  std::vector<wchar_t> text(4096, L'\0');
  TTTOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.hwnd = GetParent(tool);
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  info.lpszText = text.data();
  SendMessageW(search.Found, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&info));
  return Narrow(text.data());
}

bool Freed(HDROP drop) {
  return GlobalSize(drop) == 0;
}

class Win32WindowTest : public ::testing::Test {
 public:
  Win32WindowTest() {
    Datastores.Add(One, {"111", "222"});
    Datastores.Add(Two, {"333"});
  }
  TWin32MainForm& Window(bool own_message_boxes = false) {
    form_.reset();
    registry_ = OpenCurrentUserRegistry();
    form_ = std::make_unique<TWin32MainForm>(
        TWindowServices{.Registry = *registry_,
                        .Errors = Errors,
                        .OutputDirectory = Output.Path(),
                        .Messages = own_message_boxes ? nullptr : &Messages,
                        .OpenDialog = &Dialog,
                        .Reads = Datastores.Reads()});
    return *form_;
  }
  // The window on screen, with the work of its start done.
  TWin32MainForm& Shown() {
    TWin32MainForm& window = Window();
    window.ShowCentred();
    EXPECT_TRUE(Idle(window));
    Pump();
    return window;
  }
  // Registers two datastores: the first with phones 111 and 222, the second with 333.
  void RegisterTwoDatastores() {
    Stores.Add("A", REG_SZ, Folders.File("one"));
    Stores.Add("B", REG_SZ, Folders.File("two"));
  }
  // Handles messages until the work that the window runs has ended: the phone list is disabled
  // while it runs.
  bool Idle(TWin32MainForm& window) {
    return PumpUntil([&] { return IsWindowEnabled(window.cmboxMobile) != FALSE; });
  }
  // Handles the thread's messages as the program's loop does until `done` holds, for at most five
  // seconds; false when time ran out.
  bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    MSG message{};
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline)
        return false;
      if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        Sleep(5);
      } else if (message.message == WM_QUIT) {
        QuitPosted = true;
      } else {
        form_->ProcessMessage(message);
      }
    }
    return true;
  }
  // Handles what is in the queue now and what it leads to within a moment.
  void Pump() {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    PumpUntil([&] { return std::chrono::steady_clock::now() > until; });
  }
  // A key typed into the focused control, with Shift held down when `shift`.
  void PressKey(WPARAM key, bool shift = false) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
    PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
    Pump();
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
  }
  // Alt with a letter, as the system delivers it to the focused control.
  void PressAlt(wchar_t letter) {
    PostMessageW(GetFocus(), WM_SYSCHAR, letter, 0x20000001);
    Pump();
  }

  TEventLog Log;
  TWatchingMessages Messages{Log};
  TRecordingErrorDialog ErrorDialog{Log};
  TMemoryReportFile ReportFile;
  TTempDirectory Output;
  TTempDirectory Folders;
  const std::string One = Folders.File("one\\DataBase\\MDataStore.db3");
  const std::string Two = Folders.File("two\\DataBase\\MDataStore.db3");
  TFakeDatastores Datastores;
  TErrorReport Errors{ErrorDialog, ReportFile, Output.Path(), [] {}};
  TScriptedOpenDialog Dialog{Log};
  TRegisteredStores Stores;
  bool QuitPosted = false;

 private:
  std::unique_ptr<IRegistry> registry_;
  std::unique_ptr<TWin32MainForm> form_;
};

struct TDiscoveryOutcome {
  const char* Name;
  std::function<void(Win32WindowTest&)> Register;
  std::vector<std::string> Log;
  bool Manual;
  std::vector<std::string> Stores;
  std::vector<std::string> Phones;
};

TEST_F(Win32WindowTest, StartsInEachDiscoveryOutcomeWithItsMessagesBeforeTheWindow) {
  const TDiscoveryOutcome outcomes[] = {
      {"no key",
       [](Win32WindowTest&) {},
       {std::string("Warning: ") + kDatastoresNotFoundWarning + " [hidden]"},
       true,
       {},
       {}},
      {"first subkey unusable",
       [](Win32WindowTest& test) {
         test.Stores.Add("0 no value");
         test.RegisterTwoDatastores();
       },
       {},
       false,
       {"Datastore 2", "Datastore 3"},
       {"All Phones", "111", "222"}},
      {"first datastore missing: said in the notice",
       [](Win32WindowTest& test) { test.Stores.Add("A", REG_SZ, test.Folders.File("gone")); },
       {},
       false,
       {"Datastore 1"},
       {}},
      {"value of the wrong type",
       [](Win32WindowTest& test) { test.Stores.Add("A", REG_DWORD); },
       {"Warning: Invalid data type for 'DatastorePath' in HKEY_CURRENT_USER\\Software\\Nokia\\"
        "MPlatform\\DataStores\\A; that datastore is left out. [hidden]"},
       true,
       {},
       {}},
  };
  for (const TDiscoveryOutcome& outcome : outcomes) {
    SCOPED_TRACE(outcome.Name);
    RegDeleteTreeW(HKEY_CURRENT_USER, kStoresKey);
    Log.clear();
    outcome.Register(*this);
    TWin32MainForm& window = Window();
    EXPECT_TRUE(Idle(window));
    EXPECT_EQ(Log, outcome.Log);
    EXPECT_EQ(TWin32Visibility(window.txtStore).Visible(), outcome.Manual);
    EXPECT_EQ(TWin32Visibility(window.cmdOpen).Visible(), outcome.Manual);
    EXPECT_EQ(TWin32Visibility(window.cmboxStores).Visible(), !outcome.Manual);
    EXPECT_EQ(Items(window.cmboxStores), outcome.Stores);
    EXPECT_EQ(Items(window.cmboxMobile), outcome.Phones);
    EXPECT_EQ(WindowTextOf(window.txtStore), "");
  }
}

TEST_F(Win32WindowTest, HasTheFrameGeometryFontAndFocusOfTheTable) {
  RegisterTwoDatastores();
  TWin32MainForm& window = Shown();
  ASSERT_EQ(window.Dpi(), 96u);
  EXPECT_EQ(WindowTextOf(window.frmMain), "Velmorra convert utility");
  const LONG_PTR style = GetWindowLongPtrW(window.frmMain, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_TRUE(GetWindowLongPtrW(window.frmMain, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
  EXPECT_TRUE(GetWindowLongPtrW(window.frmMain, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  EXPECT_NE(GetClassLongPtrW(window.frmMain, GCLP_HICON), 0);
  RECT client{};
  GetClientRect(window.frmMain, &client);
  EXPECT_EQ(client.right, 461);
  EXPECT_EQ(client.bottom, 154);

  struct TExpected {
    HWND Control;
    const char* Kind;
    LONG Left, Top, Width, Height;
    const char* Text;
    bool Visible;
  };
  const TExpected expected[] = {
      {window.cmboxStores, "ComboBox", 112, 15, 225, 21, "Datastore 1", true},
      {window.txtStore, "Edit", 112, 15, 225, 21, "", false},
      {window.cmdOpen, "Button", 367, 13, 75, 25, "&Open ...", false},
      {window.cmboxMobile, "ComboBox", 112, 44, 225, 21, "All Phones", true},
      {window.cmdConvert, "Button", 16, 91, 426, 25, "&Convert", true},
      {window.Label3, "Static", 16, 18, 0, 13, "&Nokia Ovi Stores:", true},
      {window.Label1, "Static", 16, 47, 0, 13, "&Phone IMEI:", true},
      {window.Label2, "Static", 16, 130, 429, 13, "", true},
  };
  for (const TExpected& control : expected) {
    SCOPED_TRACE(control.Text);
    wchar_t kind[32];
    GetClassNameW(control.Control, kind, 32);
    EXPECT_EQ(_wcsicmp(kind, Widen(control.Kind).c_str()), 0) << Narrow(kind);
    const RECT rect = ClientRectOf(control.Control);
    EXPECT_EQ(rect.left, control.Left);
    EXPECT_EQ(rect.top, control.Top);
    if (control.Width != 0) {  // labels size themselves to their text
      EXPECT_EQ(rect.right - rect.left, control.Width);
    }
    EXPECT_GE(rect.bottom - rect.top, control.Height);
    if (control.Control != window.Label2) {
      EXPECT_EQ(WindowTextOf(control.Control), control.Text);
    }
    EXPECT_EQ(IsWindowVisible(control.Control) != FALSE, control.Visible);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control.Control, WM_GETFONT, 0, 0)),
               sizeof(font), &font);
    EXPECT_EQ(Narrow(font.lfFaceName), "Tahoma");
    EXPECT_EQ(font.lfHeight, -11);
  }
  EXPECT_TRUE(GetWindowLongPtrW(window.cmboxMobile, GWL_STYLE) & CBS_DROPDOWNLIST);
  EXPECT_EQ(GetFocus(), window.cmdConvert);
  EXPECT_THAT(WindowTextOf(window.Label2), HasSubstr(Output.Path()));

  RECT frame{};
  GetWindowRect(window.frmMain, &frame);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(window.frmMain, MONITOR_DEFAULTTOPRIMARY), &monitor);
  EXPECT_NEAR(frame.left + frame.right, monitor.rcWork.left + monitor.rcWork.right, 1);
  EXPECT_NEAR(frame.top + frame.bottom, monitor.rcWork.top + monitor.rcWork.bottom, 1);
}

TEST_F(Win32WindowTest, ScalesGeometryAndFontWhenItsDpiChanges) {
  TWin32MainForm& window = Shown();
  RECT suggested{10, 20, 10 + 700, 20 + 260};
  SendMessageW(window.frmMain, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(window.Dpi(), 144u);
  const RECT convert = ClientRectOf(window.cmdConvert);
  EXPECT_EQ(convert.left, 24);
  EXPECT_EQ(convert.top, 137);  // 136.5, rounded as MulDiv does
  EXPECT_EQ(convert.right - convert.left, 639);
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window.cmdConvert, WM_GETFONT, 0, 0)),
             sizeof(font), &font);
  EXPECT_EQ(font.lfHeight, -16);
  RECT frame{};
  GetWindowRect(window.frmMain, &frame);
  EXPECT_EQ(frame.left, 10);
  EXPECT_EQ(frame.top, 20);
}

TEST_F(Win32WindowTest, TabOrderAndMnemonicsFollowTheMode) {
  RegisterTwoDatastores();
  TWin32MainForm& window = Shown();
  // Discovered mode: the hidden controls are skipped, Alt+N and Alt+O do nothing.
  std::vector<HWND> order;
  for (int i = 0; i < 3; ++i) {
    PressKey(VK_TAB);
    order.push_back(GetFocus());
  }
  EXPECT_THAT(order, ElementsAre(window.cmboxStores, window.cmboxMobile, window.cmdConvert));
  PressKey(VK_TAB, true);
  EXPECT_EQ(GetFocus(), window.cmboxMobile);
  PressAlt(L'n');
  EXPECT_EQ(GetFocus(), window.cmboxMobile);
  PressAlt(L'o');
  EXPECT_THAT(Log, IsEmpty());

  // Manual mode, after a drop.
  SendMessageW(window.frmMain, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({"C:\\x.db3"})), 0);
  EXPECT_TRUE(Idle(window));
  SetFocus(window.cmdConvert);
  order.clear();
  for (int i = 0; i < 4; ++i) {
    PressKey(VK_TAB);
    order.push_back(GetFocus());
  }
  EXPECT_THAT(order,
              ElementsAre(window.txtStore, window.cmdOpen, window.cmboxMobile, window.cmdConvert));
  PressAlt(L'n');
  EXPECT_EQ(GetFocus(), window.txtStore);
  PressAlt(L'p');
  EXPECT_EQ(GetFocus(), window.cmboxMobile);
  Dialog.Answers.push_back("");
  PressAlt(L'o');
  EXPECT_THAT(Log, ElementsAre("od.Execute"));
  EXPECT_EQ(WindowTextOf(window.Label2), "Datastore file doesn't exist.") << "the drop's read";
}

TEST_F(Win32WindowTest, ControlsReachTheirHandlers) {
  RegisterTwoDatastores();
  TWin32MainForm& window = Shown();
  // The user picks the second datastore: its phones are read, its path shown.
  SendMessageW(window.cmboxStores, CB_SETCURSEL, 1, 0);
  SendMessageW(window.frmMain, WM_COMMAND,
               MAKEWPARAM(GetDlgCtrlID(window.cmboxStores), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(window.cmboxStores));
  EXPECT_TRUE(Idle(window));
  EXPECT_THAT(Items(window.cmboxMobile), ElementsAre("All Phones", "333"));
  EXPECT_THAT(WindowTextOf(window.Label2), ::testing::StartsWith("Datastore 2: "));
  EXPECT_EQ(ToolTipOf(window.frmMain, window.Label2), Two);

  // A drop switches to manual mode and reads the dropped file.
  SendMessageW(window.frmMain, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({One})), 0);
  EXPECT_FALSE(IsWindowVisible(window.cmboxStores));
  EXPECT_TRUE(Idle(window));

  // A confirmed open dialog sets the edit box and reads; cancelling changes nothing.
  Dialog.Answers = {Two, ""};
  SendMessageW(window.cmdOpen, BM_CLICK, 0, 0);
  EXPECT_TRUE(Idle(window));
  SendMessageW(window.cmdOpen, BM_CLICK, 0, 0);
  EXPECT_EQ(WindowTextOf(window.txtStore), Two);

  // Enter in the edit box reads what it holds; Alt+C converts the phone chosen.
  SetWindowTextW(window.txtStore, Widen(One).c_str());
  SetFocus(window.txtStore);
  PressKey(VK_RETURN);
  EXPECT_TRUE(Idle(window));
  SendMessageW(window.cmboxMobile, CB_SETCURSEL, 2, 0);
  PressAlt(L'c');
  EXPECT_TRUE(
      PumpUntil([&] { return WindowTextOf(window.Label2).find("222") != std::string::npos; }));
  EXPECT_EQ(WindowTextOf(window.Label2), "3 messages saved to sms_222.xml");
  EXPECT_THAT(Datastores.TakeCalls(),
              ElementsAre("read " + One, "read " + Two, "read " + One, "read " + Two, "read " + One,
                          "export " + One + " 2 222"));
  EXPECT_THAT(Log, ElementsAre("od.Execute", "od.Execute"));
}

// The work runs on its thread while the window goes on: the notice shows how far it got, the
// controls that would start other work are disabled (the focus leaves them, so that Escape still
// reaches the window), and the end comes back as a message to the window.
TEST_F(Win32WindowTest, WindowGoesOnWhileTheWorkRunsOnItsThread) {
  RegisterTwoDatastores();
  std::atomic<bool> go_on = false;
  std::atomic<DWORD> export_thread = 0;
  Datastores.DuringExport = [&](TWorkProgress& progress) {
    export_thread = GetCurrentThreadId();
    progress.Total(900287);
    progress.Done(412000);
    while (!go_on)
      Sleep(5);
  };
  TWin32MainForm& window = Shown();
  SetFocus(window.cmdConvert);
  SendMessageW(window.cmdConvert, BM_CLICK, 0, 0);
  EXPECT_TRUE(
      PumpUntil([&] { return WindowTextOf(window.Label2).find("412") != std::string::npos; }));
  EXPECT_EQ(WindowTextOf(window.Label2), "Converting\u2026 412,000 of 900,287 messages");
  for (HWND control : {window.cmdConvert, window.cmboxStores, window.cmboxMobile})
    EXPECT_FALSE(IsWindowEnabled(control));
  EXPECT_EQ(GetFocus(), window.frmMain);
  EXPECT_NE(export_thread.load(), GetCurrentThreadId());

  go_on = true;
  EXPECT_TRUE(Idle(window));
  EXPECT_EQ(WindowTextOf(window.Label2), "3 messages saved to sms_All Phones.xml");
  EXPECT_TRUE(IsWindowEnabled(window.cmdConvert));
  EXPECT_EQ(GetFocus(), window.cmdConvert) << "back where it was";
}

// (Destroying a window takes Wine about two seconds on a display without a window manager, as
// here; under openbox the window is gone at once. What is timed is the work seeing the cancel.)
TEST_F(Win32WindowTest, ClosingDuringTheWorkCancelsItAtOnce) {
  RegisterTwoDatastores();
  std::atomic<bool> started = false;
  std::atomic<bool> saw_cancel = false;
  std::chrono::steady_clock::time_point cancelled_at;
  Datastores.DuringExport = [&](TWorkProgress& progress) {
    started = true;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!progress.Cancelled() && std::chrono::steady_clock::now() < give_up)
      Sleep(5);
    cancelled_at = std::chrono::steady_clock::now();
    saw_cancel = progress.Cancelled();
  };
  TWin32MainForm& window = Shown();
  SendMessageW(window.cmdConvert, BM_CLICK, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return started.load(); }));

  const auto closing = std::chrono::steady_clock::now();
  PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window.frmMain); }));
  EXPECT_TRUE(saw_cancel);
  EXPECT_LT(cancelled_at - closing, std::chrono::seconds(1));
  EXPECT_TRUE(QuitPosted || PumpUntil([&] { return QuitPosted; }));
  EXPECT_THAT(Log, IsEmpty());
}

// The pixels of `label` as they are on screen, or, when `text` is given, as DrawTextW draws it in
// the label's font on the window's background.
std::vector<COLORREF> LabelPixels(HWND label, const std::wstring* text = nullptr) {
  RECT rect{};
  GetClientRect(label, &rect);
  HDC screen = GetDC(label);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, rect.right, rect.bottom);
  HGDIOBJ old_bitmap = SelectObject(memory, bitmap);
  if (text == nullptr) {
    BitBlt(memory, 0, 0, rect.right, rect.bottom, screen, 0, 0, SRCCOPY);
  } else {
    FillRect(memory, &rect, GetSysColorBrush(COLOR_BTNFACE));
    SelectObject(memory, reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, GetSysColor(COLOR_WINDOWTEXT));
    DrawTextW(memory, text->c_str(), -1, &rect, DT_LEFT | DT_NOPREFIX | DT_SINGLELINE);
  }
  std::vector<COLORREF> pixels;
  for (int y = 0; y < rect.bottom; ++y) {
    for (int x = 0; x < rect.right; ++x)
      pixels.push_back(GetPixel(memory, x, y));
  }
  SelectObject(memory, old_bitmap);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(label, screen);
  return pixels;
}

// Label2 shows its text whole, as DrawTextW draws it, whatever it said before: it never has to
// shorten a text itself (a label that did, with SS_PATHELLIPSIS, was drawn garbled under Wine).
TEST_F(Win32WindowTest, NoticeIsDrawnWholeWhateverItSaidBefore) {
  RegisterTwoDatastores();
  TWin32MainForm& window = Shown();
  for (const int phone : {0, 1, 0}) {
    SendMessageW(window.cmboxMobile, CB_SETCURSEL, phone, 0);
    SendMessageW(window.cmdConvert, BM_CLICK, 0, 0);
    EXPECT_TRUE(Idle(window));
    Pump();
    const std::wstring text = Widen(phone == 0 ? "3 messages saved to sms_All Phones.xml"
                                               : "3 messages saved to sms_111.xml");
    EXPECT_EQ(Widen(WindowTextOf(window.Label2)), text);
    EXPECT_TRUE(LabelPixels(window.Label2) == LabelPixels(window.Label2, &text)) << Narrow(text);
  }
}

TEST_F(Win32WindowTest, PathsShowAsTooltipsAndALongOneIsShortenedInTheNotice) {
  const std::string long_folder = Folders.File(std::string(200, 'x'));
  const std::string long_path = long_folder + "\\DataBase\\MDataStore.db3";
  Datastores.Add(long_path, {"444"});
  Stores.Add("A", REG_SZ, Folders.File("one"));
  Stores.Add("B", REG_SZ, long_folder);
  TWin32MainForm& window = Shown();
  EXPECT_EQ(ToolTipOf(window.frmMain, window.cmboxStores), One) << "the selected item's";

  // Over the open list, the tip is the path of the item under the pointer.
  SendMessageW(window.cmboxStores, CB_SHOWDROPDOWN, TRUE, 0);
  COMBOBOXINFO combo{};
  combo.cbSize = sizeof(combo);
  ASSERT_TRUE(GetComboBoxInfo(window.cmboxStores, &combo));
  RECT item{};
  SendMessageW(combo.hwndList, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
  SendMessageW(combo.hwndList, WM_MOUSEMOVE, 0, MAKELPARAM(item.left + 2, item.top + 2));
  EXPECT_EQ(ToolTipOf(window.frmMain, combo.hwndList), long_path);
  SendMessageW(window.cmboxStores, CB_SHOWDROPDOWN, FALSE, 0);

  SendMessageW(window.cmboxStores, CB_SETCURSEL, 1, 0);
  SendMessageW(window.frmMain, WM_COMMAND,
               MAKEWPARAM(GetDlgCtrlID(window.cmboxStores), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(window.cmboxStores));
  EXPECT_TRUE(Idle(window));
  EXPECT_EQ(ToolTipOf(window.frmMain, window.cmboxStores), long_path);
  EXPECT_EQ(ToolTipOf(window.frmMain, window.Label2), long_path);
  const std::string shown = WindowTextOf(window.Label2);
  EXPECT_THAT(shown, ::testing::StartsWith("Datastore 2: "));
  EXPECT_THAT(shown, ::testing::EndsWith("\\MDataStore.db3"));
  EXPECT_THAT(shown, HasSubstr("\u2026"));
  SIZE size{};
  HDC context = GetDC(window.Label2);
  HGDIOBJ old = SelectObject(
      context, reinterpret_cast<HGDIOBJ>(SendMessageW(window.Label2, WM_GETFONT, 0, 0)));
  const std::wstring wide = Widen(shown);
  GetTextExtentPoint32W(context, wide.c_str(), static_cast<int>(wide.size()), &size);
  SelectObject(context, old);
  ReleaseDC(window.Label2, context);
  EXPECT_LE(size.cx, ClientRectOf(window.Label2).right - ClientRectOf(window.Label2).left);
}

TEST_F(Win32WindowTest, EscapeClosesTheWindowFromAnOpenDropDown) {
  RegisterTwoDatastores();
  TWin32MainForm& window = Shown();
  SetFocus(window.cmboxMobile);
  SendMessageW(window.cmboxMobile, CB_SHOWDROPDOWN, TRUE, 0);
  ASSERT_TRUE(SendMessageW(window.cmboxMobile, CB_GETDROPPEDSTATE, 0, 0));
  PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window.frmMain); }));
  EXPECT_TRUE(PumpUntil([&] { return QuitPosted; }));
}

TEST_F(Win32WindowTest, DropTakesTheFirstNameWholeAndReleasesEveryDrop) {
  TWin32MainForm& window = Shown();
  const std::string long_name = "C:\\" + std::string(300, 'x') + "\\MDataStore.db3";
  HDROP drop = MakeDrop({long_name, "C:\\second.db3", "C:\\third"});
  SendMessageW(window.frmMain, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  EXPECT_EQ(WindowTextOf(window.txtStore), long_name);
  EXPECT_TRUE(Freed(drop));
  EXPECT_EQ(window.Form().JvDragDrop1.Files().size(), 3u);
}

// Set by the timer below: what it saw of the message box and the drop it sent meanwhile.
struct TModalDrop {
  HWND Owner = nullptr;
  HDROP Drop = nullptr;
} modal_drop;

void CALLBACK DropDuringMessageBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = FindWindowW(nullptr, L"Warning");
  if (box == nullptr)
    return;
  KillTimer(nullptr, timer);
  modal_drop.Owner = GetWindow(box, GW_OWNER);
  modal_drop.Drop = MakeDrop({"C:\\dropped.db3"});
  SendMessageW(modal_drop.Owner, WM_DROPFILES, reinterpret_cast<WPARAM>(modal_drop.Drop), 0);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST_F(Win32WindowTest, DropWhileAMessageBoxIsUpIsRefused) {
  // No datastores: the warning comes as a real message box owned by the still hidden window.
  SetTimer(nullptr, 0, 50, DropDuringMessageBox);
  TWin32MainForm& window = Window(true);
  EXPECT_EQ(modal_drop.Owner, window.frmMain);
  EXPECT_TRUE(Freed(modal_drop.Drop));
  EXPECT_EQ(WindowTextOf(window.txtStore), "");
  EXPECT_TRUE(IsWindowEnabled(window.frmMain));
}

TEST_F(Win32WindowTest, AnUnhandledExceptionIsStoredBeforeTheProgramEnds) {
  wchar_t program[MAX_PATH];
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  // The folder without its trailing backslash, which would escape the closing quote.
  const std::string folder = Output.Path().substr(0, Output.Path().size() - 1);
  std::wstring command =
      L"\"" + std::wstring(program) + L"\" --crash-into \"" + Widen(folder) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
  DWORD exit_code = 0;
  GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(exit_code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
  const std::string report = ReadFileBytes(Output.File("bugreport.txt"));
  EXPECT_THAT(report, HasSubstr("Error: Unhandled exception 0xC0000005 at address "));
  EXPECT_THAT(report, HasSubstr("win32_window_test.exe"));
}

// The child of the test above: stores its crash in `directory`.
int CrashInto(const std::wstring& directory) {
  TWin32ErrorDialog dialog;
  TWin32ReportFile file;
  TErrorReport report(dialog, file, Narrow(directory) + "\\", [] {});
  InstallCrashReport(report);
  volatile int* volatile nowhere = nullptr;
  *nowhere = 1;
  return 0;
}

}  // namespace
}  // namespace velmorra

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wstring(argv[1]) == L"--crash-into")
    return velmorra::CrashInto(argv[2]);
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX common_controls{sizeof(common_controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&common_controls);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  OleUninitialize();
  return result;
}

#include "app/win32/main_form.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/win32/wide_text.h"

namespace velmorra {

namespace {

constexpr wchar_t kWindowClass[] = L"TfrmMain";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;
constexpr int kIconResource = 1;
// The room a drop-down list opens into below its closed field.
constexpr int kDropDownHeight = 200;
// Asks the window to run the tasks posted to it.
constexpr UINT kRunPostedMessage = WM_APP + 1;

// Control identifiers, clear of IDOK and IDCANCEL, which the dialog manager sends on its own.
enum TControlId : WORD {
  kConvertId = 1001,
  kStoreEditId,
  kOpenId,
  kStoresId,
  kMobileId,
  kLabel3Id,
  kLabel1Id,
  kLabel2Id,
};

// The identifier of each control, in the order of TFormControl.
constexpr WORD kControlIds[] = {kConvertId, kLabel3Id, kStoreEditId, kOpenId,
                                kStoresId,  kLabel1Id, kMobileId,    kLabel2Id};

WORD ControlId(TFormControl control) {
  return kControlIds[static_cast<size_t>(control)];
}

// The window class and styles of a control of `kind`.
const wchar_t* ControlClass(TFormControlKind kind) {
  switch (kind) {
    case TFormControlKind::Button:
      return L"BUTTON";
    case TFormControlKind::EditBox:
      return L"EDIT";
    case TFormControlKind::DropDownList:
      return L"COMBOBOX";
    case TFormControlKind::Label:
    case TFormControlKind::Notice:
      break;
  }
  return L"STATIC";
}

DWORD ControlStyle(TFormControlKind kind) {
  switch (kind) {
    case TFormControlKind::Button:
      return WS_TABSTOP | BS_PUSHBUTTON;
    case TFormControlKind::Label:
      return SS_LEFT;
    case TFormControlKind::EditBox:
      return WS_TABSTOP | ES_AUTOHSCROLL;
    case TFormControlKind::DropDownList:
      return WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
    case TFormControlKind::Notice:
      // The notice spans its row whatever its text, which it never has to shorten itself (see
      // FittedText); its tooltip needs its notifications.
      return SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY;
  }
  return 0;
}

HINSTANCE ProgramInstance() {
  return GetModuleHandleW(nullptr);
}

// Windows 10 (1607) and later scale each window to its monitor; older systems have one DPI.
UINT WindowDpi(HWND window) {
  using TGetDpiForWindow = UINT(WINAPI*)(HWND);
  static const auto get_dpi = reinterpret_cast<TGetDpiForWindow>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (get_dpi != nullptr) {
    const UINT dpi = get_dpi(window);
    if (dpi != 0)
      return dpi;
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

void AdjustForDpi(RECT& rect, UINT dpi) {
  using TAdjust = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjust = reinterpret_cast<TAdjust>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
  if (adjust == nullptr || !adjust(&rect, kWindowStyle, FALSE, kWindowExStyle, dpi))
    AdjustWindowRectEx(&rect, kWindowStyle, FALSE, kWindowExStyle);
}

void RegisterWindowClass() {
  WNDCLASSEXW window_class{};
  if (GetClassInfoExW(ProgramInstance(), kWindowClass, &window_class))
    return;
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = DefWindowProcW;  // replaced by the window's own on creation
  window_class.hInstance = ProgramInstance();
  window_class.hIcon = static_cast<HICON>(
      LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                 GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
  window_class.hIconSm = static_cast<HICON>(
      LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kWindowClass;
  RegisterClassExW(&window_class);
}

HWND MakeControl(HWND parent, const TFormControlLayout& layout) {
  const DWORD style = ControlStyle(layout.Kind) | (layout.ShownAtStart ? WS_VISIBLE : 0);
  const DWORD ex_style = layout.Kind == TFormControlKind::EditBox ? WS_EX_CLIENTEDGE : 0;
  const WORD id = ControlId(layout.Control);
  return CreateWindowExW(
      ex_style, ControlClass(layout.Kind), Widen(layout.Caption).c_str(), WS_CHILD | style, 0, 0, 0,
      0, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ProgramInstance(), nullptr);
}

SIZE TextExtent(HWND label, HFONT font) {
  const std::wstring text = Widen(WindowTextOf(label));
  HDC context = GetDC(label);
  HGDIOBJ old_font = SelectObject(context, font);
  RECT bounds{0, 0, 0, 0};
  DrawTextW(context, text.c_str(), -1, &bounds, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(context, old_font);
  ReleaseDC(label, context);
  return SIZE{bounds.right - bounds.left, bounds.bottom - bounds.top};
}

// `text` shortened in its middle, with "…", to fit `width` pixels in the font of `label`, so that
// the label draws it as it stands. (A label that shortens its text itself, as SS_PATHELLIPSIS
// does, drew it garbled under Wine: shortened at the width it had while its new text was set,
// before it was widened, and only the uncovered part was drawn again.)
std::wstring FittedText(HWND label, const std::wstring& text, int width) {
  HDC context = GetDC(label);
  HGDIOBJ old_font =
      SelectObject(context, reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
  const auto fits = [&](const std::wstring& candidate) {
    SIZE size{};
    GetTextExtentPoint32W(context, candidate.c_str(), static_cast<int>(candidate.size()), &size);
    return size.cx <= width;
  };
  // Keeps `kept` characters, the first half of them from the start and the rest from the end.
  const auto shortened = [&](size_t kept) {
    size_t head = kept - kept / 2;
    size_t tail = text.size() - kept / 2;
    if (head > 0 && IS_HIGH_SURROGATE(text[head - 1]))
      --head;
    if (tail < text.size() && IS_LOW_SURROGATE(text[tail]))
      ++tail;
    return text.substr(0, head) + L"\u2026" + text.substr(tail);
  };
  std::wstring fitted = text;
  if (!fits(text)) {
    size_t low = 0, high = text.size();  // shortened(low) fits, shortened(high) does not
    while (high - low > 1) {
      const size_t middle = (low + high) / 2;
      (fits(shortened(middle)) ? low : high) = middle;
    }
    fitted = shortened(low);
  }
  SelectObject(context, old_font);
  ReleaseDC(label, context);
  return fitted;
}

bool IsButton(HWND control) {
  return (SendMessageW(control, WM_GETDLGCODE, 0, 0) &
          (DLGC_BUTTON | DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

}  // namespace

TWin32MainForm::TWin32MainForm(const TWindowServices& services) : errors_(services.Errors) {
  RegisterWindowClass();
  frmMain = CreateWindowExW(kWindowExStyle, kWindowClass, Widen(kFormCaption).c_str(), kWindowStyle,
                            CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr, ProgramInstance(),
                            nullptr);
  if (frmMain == nullptr)
    throw std::runtime_error("The main window could not be created.");
  SetWindowLongPtrW(frmMain, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(frmMain, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProcedure));
  CreateControls();
  ApplyDpi(WindowDpi(frmMain));

  own_runner_ = std::make_unique<TWorkThread>();
  own_messages_ = std::make_unique<TWin32MessageBoxes>(frmMain);
  own_open_dialog_ = std::make_unique<TWin32OpenDialog>(frmMain);
  stores_ = std::make_unique<TWin32ItemComboBox>(cmboxStores, tooltip_);
  store_edit_ = std::make_unique<TWin32EditBox>(txtStore);
  open_button_ = std::make_unique<TWin32Visibility>(cmdOpen);
  phones_ = std::make_unique<TWin32PhoneList>(cmboxMobile);
  IOpenDialog& open_dialog = services.OpenDialog ? *services.OpenDialog : *own_open_dialog_;
  form_ = std::make_unique<TfrmMain>(
      TfrmMainControls{*stores_, *store_edit_, *open_button_, *phones_, open_dialog},
      WindowLogicServices(services, *this, *own_messages_, *own_runner_, false));

  // The window takes drops from its creation on, before the creation handler runs.
  drop_target_ = std::make_unique<TWin32DropTarget>(frmMain);
  form_->JvDragDrop1.SetDropTarget(drop_target_.get());
  form_->JvDragDrop1.Loaded();
  form_->FormCreate();
}

TWin32MainForm::~TWin32MainForm() {
  if (IsWindow(frmMain)) {
    quit_on_destroy_ = false;
    DestroyWindow(frmMain);
  }
  if (font_ != nullptr)
    DeleteObject(font_);
}

HWND& TWin32MainForm::Control(TFormControl control) {
  switch (control) {
    case TFormControl::cmdConvert:
      return cmdConvert;
    case TFormControl::Label3:
      return Label3;
    case TFormControl::txtStore:
      return txtStore;
    case TFormControl::cmdOpen:
      return cmdOpen;
    case TFormControl::cmboxStores:
      return cmboxStores;
    case TFormControl::Label1:
      return Label1;
    case TFormControl::cmboxMobile:
      return cmboxMobile;
    case TFormControl::Label2:
      break;
  }
  return Label2;
}

void TWin32MainForm::CreateControls() {
  // Made in tab order, which is the order the dialog manager goes through them.
  for (const TFormControlLayout& layout : FormControls())
    Control(layout.Control) = MakeControl(frmMain, layout);

  tooltip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, frmMain, nullptr,
                             ProgramInstance(), nullptr);
}

// Sets the font and the places of every control, and the window's size, for `dpi`.
void TWin32MainForm::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  HFONT old_font = font_;
  font_ = CreateFontW(-MulDiv(8, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                      FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                      DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
  SendMessageW(frmMain, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  for (const TFormControlLayout& layout : FormControls()) {
    SendMessageW(Control(layout.Control), WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    Place(layout);
  }
  if (old_font != nullptr)
    DeleteObject(old_font);
  ShowNoticeText();

  RECT frame{0, 0, Scale(kFormClientWidth), Scale(kFormClientHeight)};
  AdjustForDpi(frame, dpi);
  SetWindowPos(frmMain, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TWin32MainForm::Scale(int pixels) const {
  return MulDiv(pixels, static_cast<int>(dpi_), 96);
}

// A label of no width is as wide as its text; a drop-down list gets room below its closed field.
void TWin32MainForm::Place(const TFormControlLayout& layout) {
  HWND control = Control(layout.Control);
  int width = Scale(layout.Width);
  int height = Scale(layout.Height);
  if (layout.Width == 0) {
    const SIZE text = TextExtent(control, font_);
    width = text.cx;
    height = std::max<int>(text.cy, height);
  }
  const bool combo = layout.Kind == TFormControlKind::DropDownList;
  MoveWindow(control, Scale(layout.Left), Scale(layout.Top), width,
             combo ? height + Scale(kDropDownHeight) : height, TRUE);
  if (combo)  // the closed field: the list's item height plus the field's frame
    SendMessageW(control, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height - 6);
}

void TWin32MainForm::ShowCentred() {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  RECT window{};
  GetWindowRect(frmMain, &window);
  if (GetMonitorInfoW(MonitorFromWindow(frmMain, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    const RECT& area = monitor.rcWork;
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    SetWindowPos(frmMain, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ShowWindow(frmMain, SW_SHOW);
  UpdateWindow(frmMain);
  SetForegroundWindow(frmMain);
  SetFocus(focus_ != nullptr ? focus_ : cmdConvert);
}

void TWin32MainForm::Close() {
  PostMessageW(frmMain, WM_CLOSE, 0, 0);
}

void TWin32MainForm::ShowWorkState(TWorkState state) {
  const bool idle = state == TWorkState::Idle;
  HWND focused = GetFocus();
  if (!idle && !working_) {
    focus_before_work_ = focused;
    focus_moved_to_ = nullptr;
  }
  for (HWND control : {cmboxStores, txtStore, cmdOpen, cmboxMobile})
    EnableWindow(control, idle);
  EnableWindow(cmdConvert, state != TWorkState::Converting);
  // A control disabled with the focus would keep the keys, Escape among them.
  if (focused != nullptr && IsChild(frmMain, focused) && !IsWindowEnabled(focused)) {
    focus_moved_to_ = IsWindowEnabled(cmdConvert) ? cmdConvert : frmMain;
    SetFocus(focus_moved_to_);
  }
  if (idle && focus_moved_to_ != nullptr && GetFocus() == focus_moved_to_) {
    const bool usable = IsWindowVisible(focus_before_work_) && IsWindowEnabled(focus_before_work_);
    SetFocus(usable ? focus_before_work_ : cmdConvert);
  }
  working_ = !idle;
  POINT cursor{};
  GetCursorPos(&cursor);
  if (IsOwnWindow(WindowFromPoint(cursor)))
    SetCursor(LoadCursorW(nullptr, working_ ? IDC_APPSTARTING : IDC_ARROW));
}

void TWin32MainForm::ShowNotice(const std::string& text, const std::string& tooltip) {
  notice_ = Widen(text);
  ShowNoticeText();
  SetToolTip(tooltip_, Label2, Widen(tooltip));
}

void TWin32MainForm::ShowNoticeText() {
  RECT label{};
  GetClientRect(Label2, &label);
  SetWindowTextW(Label2, FittedText(Label2, notice_, label.right).c_str());
}

void TWin32MainForm::Post(std::function<void()> task) {
  {
    const std::lock_guard lock(posted_mutex_);
    posted_.push_back(std::move(task));
  }
  PostMessageW(frmMain, kRunPostedMessage, 0, 0);
}

void TWin32MainForm::RunPosted() {
  for (;;) {
    std::function<void()> task;
    {
      const std::lock_guard lock(posted_mutex_);
      if (posted_.empty())
        return;
      task = std::move(posted_.front());
      posted_.pop_front();
    }
    task();
  }
}

// While work runs, the window and its controls show that the program works.
bool TWin32MainForm::OnSetCursor() {
  if (!working_)
    return false;
  SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
  return true;
}

LRESULT CALLBACK TWin32MainForm::WindowProcedure(HWND window, UINT message, WPARAM wparam,
                                                 LPARAM lparam) {
  auto* form = reinterpret_cast<TWin32MainForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr)
    return DefWindowProcW(window, message, wparam, lparam);
  return form->HandleMessage(message, wparam, lparam);
}

LRESULT TWin32MainForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_DROPFILES:
      return OnDropFiles(reinterpret_cast<HDROP>(wparam));
    case WM_CTLCOLORSTATIC:  // labels show the window's background
      SetBkMode(reinterpret_cast<HDC>(wparam), TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_SETCURSOR:
      if (OnSetCursor())
        return TRUE;
      break;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wparam) != WA_INACTIVE);
      return 0;
    case kRunPostedMessage:
      RunPosted();
      return 0;
    case WM_CLOSE:
      if (form_ != nullptr)
        form_->FormClose();
      break;
    case 0x02E0:  // WM_DPICHANGED: the suggested rectangle keeps the window where the user put it
      OnDpiChanged(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(frmMain, GWLP_USERDATA, 0);
      break;
  }
  return DefWindowProcW(frmMain, message, wparam, lparam);
}

void TWin32MainForm::OnCommand(WORD id, WORD code) {
  if (id == kConvertId && code == BN_CLICKED) {
    form_->cmdConvertClick();
  } else if (id == kOpenId && code == BN_CLICKED) {
    form_->cmdOpenClick();
  } else if (id == kStoresId && code == CBN_SELCHANGE) {
    stores_->SelectionChanged();
    form_->cmboxStoresChange();
  } else if (id == kStoreEditId && code == EN_KILLFOCUS && IsOwnWindow(GetFocus())) {
    // Only a move to another control of the window: not a deactivation, a close or a message box.
    form_->txtStoreExit();
  }
}

// The drop component takes the drop while its filter is in; a window disabled by a modal dialog
// takes none.
LRESULT TWin32MainForm::OnDropFiles(HDROP drop) {
  if (drop_target_ == nullptr || !drop_target_->Filtering() || form_ == nullptr ||
      !IsWindowEnabled(frmMain)) {
    DragFinish(drop);
    return 0;
  }
  TWin32DroppedFiles files(drop);
  errors_.Guard([&] { form_->JvDragDrop1.HandleDrop(files); });
  return 0;
}

void TWin32MainForm::OnActivate(bool active) {
  if (!active) {
    HWND focused = GetFocus();
    if (focused != nullptr && IsChild(frmMain, focused))
      focus_ = focused;
    return;
  }
  const bool usable = focus_ != nullptr && IsWindowVisible(focus_) && IsWindowEnabled(focus_);
  SetFocus(usable ? focus_ : cmdConvert);
}

void TWin32MainForm::OnDpiChanged(UINT dpi, const RECT& suggested) {
  ApplyDpi(dpi);
  SetWindowPos(frmMain, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWin32MainForm::OnDestroy() {
  if (form_ != nullptr) {
    form_->FormDestroy();
    form_->JvDragDrop1.TargetDestroyed();
  }
  {
    const std::lock_guard lock(posted_mutex_);
    posted_.clear();
  }
  if (quit_on_destroy_)
    PostQuitMessage(0);
}

bool TWin32MainForm::IsOwnWindow(HWND window) const {
  // A drop-down list's own window is a pop-up whose owner is its combo box.
  for (HWND current = window; current != nullptr; current = GetParent(current)) {
    if (current == frmMain)
      return true;
  }
  return false;
}

// A label's mnemonic moves the focus to its control only when that control can take it.
bool TWin32MainForm::LabelMnemonic(wchar_t letter) {
  const std::optional<TFormControl> buddy = MnemonicBuddy(letter);
  if (!buddy)
    return false;
  HWND target = Control(*buddy);
  if (IsWindowVisible(target) && IsWindowEnabled(target)) {
    SetFocus(target);
    if (target == txtStore)
      SendMessageW(txtStore, EM_SETSEL, 0, -1);
  }
  return true;
}

bool TWin32MainForm::PreviewMessage(MSG& message) {
  if (!IsWindow(frmMain) || !IsWindowEnabled(frmMain) || !IsOwnWindow(message.hwnd))
    return false;
  switch (message.message) {
    case WM_KEYDOWN:
      if (message.wParam == VK_RETURN && message.hwnd == txtStore) {
        char key = kEnterKey;
        form_->txtStoreKeyPress(key);
        return true;
      }
      if (message.wParam != VK_ESCAPE)
        return false;
      // Not the dialog manager's Cancel: the key becomes a character that the window previews.
      TranslateMessage(&message);
      DispatchMessageW(&message);
      return true;
    case WM_CHAR:
      if (message.wParam < 128) {
        char key = static_cast<char>(message.wParam);
        form_->FormKeyPress(key);
      }
      // Without Alt a letter is a mnemonic only where the focused control takes no characters.
      return IsButton(message.hwnd) && LabelMnemonic(static_cast<wchar_t>(message.wParam));
    case WM_SYSCHAR:
      return LabelMnemonic(static_cast<wchar_t>(message.wParam));
  }
  return false;
}

void TWin32MainForm::ProcessMessage(MSG& message) {
  if (PreviewMessage(message))
    return;
  if (IsWindow(frmMain) && IsDialogMessageW(frmMain, &message))
    return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

int TWin32MainForm::RunMessageLoop() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0)
    ProcessMessage(message);
  return static_cast<int>(message.wParam);
}

}  // namespace velmorra

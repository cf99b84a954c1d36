#include "platform/win32/main_window.h"

#include "app/version.h"
#include "platform/win32/res/resource_ids.h"
#include "platform/win32/system_folder.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win_gui_runtime.h"
#include "ui/frm_main.h"

namespace win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"VelmoraMainForm";
constexpr wchar_t kOwnerClass[] = L"VelmoraOwner";
constexpr wchar_t kJapaneseFace[] = L"ＭＳ Ｐゴシック";

// The design-time layout, in twips: left, top, right, bottom of each control's frame.
constexpr int kClientWidth = 4695, kClientHeight = 2535;
constexpr RECT kPicIcon{120, 120, 120 + 540, 120 + 540};
constexpr RECT kCmdOK{1680, 2040, 1680 + 1335, 2040 + 375};
constexpr RECT kLblSoftName{840, 240, 840 + 1185, 240 + 240};
constexpr RECT kLblVersion{2160, 300, 2160 + 270, 300 + 180};
constexpr RECT kLblCopyright{240, 840, 240 + 4215, 840 + 1095};
constexpr RECT kPicMiniIcon{3120, 2040, 3120 + 300, 2040 + 300};

// A picture box sizes itself to its picture plus a two-pixel sunken border on each side.
constexpr int kPictureBorder = 2;

constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kFormExStyle = WS_EX_WINDOWEDGE;

// Mouse-button and shift-key states the way the form's MouseMove event reports them.
int16_t ButtonState(WPARAM keys) {
  return static_cast<int16_t>(((keys & MK_LBUTTON) ? 1 : 0) | ((keys & MK_RBUTTON) ? 2 : 0) |
                              ((keys & MK_MBUTTON) ? 4 : 0));
}

int16_t ShiftState(WPARAM keys) {
  return static_cast<int16_t>(((keys & MK_SHIFT) ? 1 : 0) | ((keys & MK_CONTROL) ? 2 : 0) |
                              (GetKeyState(VK_MENU) < 0 ? 4 : 0));
}

// The size the text takes in the label's font.
SIZE TextSize(HWND label, const std::u16string& text) {
  const WindowDC dc(label);
  const HGDIOBJ previous =
      SelectObject(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
  const ScopeExit restore([&] { SelectObject(dc.get(), previous); });
  RECT extent{};
  DrawTextW(dc.get(), Wide(text), -1, &extent, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
  return {extent.right - extent.left, extent.bottom - extent.top};
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance) {}

bool MainWindow::Create() {
  dpi_ = ScreenDpi();

  bigIcon_.reset(
      static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_VELMORA), IMAGE_ICON, 32, 32, 0)));
  smallIcon_.reset(
      static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_VELMORA), IMAGE_ICON, 16, 16, 0)));

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance_;
  windowClass.hIcon = bigIcon_.get();
  windowClass.hIconSm = smallIcon_.get();
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  if (!RegisterClassExW(&windowClass)) return false;

  // An owned window never gets a taskbar button; the owner itself is never shown. It has a
  // class of its own: a system control class would load the common controls right away.
  WNDCLASSEXW ownerClass{};
  ownerClass.cbSize = sizeof ownerClass;
  ownerClass.lpfnWndProc = DefWindowProcW;
  ownerClass.hInstance = instance_;
  ownerClass.lpszClassName = kOwnerClass;
  if (!RegisterClassExW(&ownerClass)) return false;
  owner_.reset(
      CreateWindowExW(0, kOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_, nullptr));
  if (!owner_) return false;

  RECT frame{0, 0, MulDiv(kClientWidth, dpi_.x, 1440), MulDiv(kClientHeight, dpi_.y, 1440)};
  AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
  const std::u16string title(kAppTitle);
  if (!CreateWindowExW(kFormExStyle, kWindowClass, Wide(title), kFormStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                       frame.right - frame.left, frame.bottom - frame.top, owner_.get(), nullptr, instance_,
                       this)) {
    hwnd_.release();  // a window that failed after WM_NCCREATE has been destroyed already
    return false;
  }
  taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
  return true;
}

// The common controls library is loaded here rather than at start-up; the manifest selects
// version 6 of it, whose initialisation is the larger part of what the controls cost.
void MainWindow::EnsureControls() {
  if (cmdOK_) return;
  using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  // Never freed: the control classes it registers live in it for as long as the process runs.
  if (HMODULE library = LoadSystemLibrary(u"comctl32.dll")) {
    const auto init = reinterpret_cast<InitFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControlsEx")));
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    if (init) init(&controls);
  }
  CreateControls();
  // The focus the window took while it had no controls goes where WM_SETFOCUS puts it.
  if (GetFocus() == hwnd_.get()) SetFocus(cmdOK_);
}

HFONT MainWindow::MakeFont(std::wstring_view faceName, int hundredthsOfPoint, int weight, BYTE charset) {
  const int height = -MulDiv(hundredthsOfPoint, dpi_.y, 72 * 100);
  const std::wstring face(faceName.substr(0, LF_FACESIZE - 1));
  return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
}

HWND MainWindow::AddControl(const wchar_t* windowClass, const std::u16string& text, DWORD style,
                            DWORD exStyle, int id, const RECT& twips) {
  const int left = MulDiv(twips.left, dpi_.x, 1440), top = MulDiv(twips.top, dpi_.y, 1440);
  const int width = MulDiv(twips.right - twips.left, dpi_.x, 1440);
  const int height = MulDiv(twips.bottom - twips.top, dpi_.y, 1440);
  return CreateWindowExW(exStyle, windowClass, Wide(text), WS_CHILD | style, left, top, width, height,
                         hwnd_.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
}

// Created in tab order; the child windows' z-order is the order Tab walks them.
void MainWindow::CreateControls() {
  const auto picture = [this](const RECT& twips, HICON icon, int side, DWORD visible) {
    HWND box = AddControl(L"STATIC", u"", SS_ICON | visible, WS_EX_CLIENTEDGE, -1, twips);
    SendMessageW(box, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    const int frame = side + 2 * kPictureBorder;  // the static shrinks to the icon; put the border back
    SetWindowPos(box, nullptr, 0, 0, frame, frame, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return box;
  };
  picICON_ = picture(kPicIcon, bigIcon_.get(), 32, WS_VISIBLE);

  buttonFont_.reset(MakeFont(kJapaneseFace, 1200, FW_NORMAL, SHIFTJIS_CHARSET));
  cmdOK_ = AddControl(L"BUTTON", u"OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, kCmdOK);
  SendMessageW(cmdOK_, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont_.get()), FALSE);

  constexpr DWORD kAutoSizeLabel = WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX;
  softNameFont_.reset(MakeFont(kJapaneseFace, 1200, FW_BOLD, SHIFTJIS_CHARSET));
  lblSoftName_ = AddControl(L"STATIC", u"", kAutoSizeLabel, 0, -1, kLblSoftName);
  SendMessageW(lblSoftName_, WM_SETFONT, reinterpret_cast<WPARAM>(softNameFont_.get()), FALSE);
  SetLabel(lblSoftName_, std::u16string(kAppTitle), true);

  // The default user-interface font of the system, at 9 points.
  LOGFONTW guiFont{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof guiFont, &guiFont);
  versionFont_.reset(MakeFont(guiFont.lfFaceName, 900, FW_NORMAL, guiFont.lfCharSet));
  lblVersion_ = AddControl(L"STATIC", u"", kAutoSizeLabel, 0, -1, kLblVersion);
  SendMessageW(lblVersion_, WM_SETFONT, reinterpret_cast<WPARAM>(versionFont_.get()), FALSE);
  SetLabel(lblVersion_, u"Ver", true);

  copyrightFont_.reset(MakeFont(kJapaneseFace, 975, FW_NORMAL, SHIFTJIS_CHARSET));
  lblCopyright_ = AddControl(L"STATIC", u"", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, -1, kLblCopyright);
  SendMessageW(lblCopyright_, WM_SETFONT, reinterpret_cast<WPARAM>(copyrightFont_.get()), FALSE);

  picMiniIcon_ = picture(kPicMiniIcon, smallIcon_.get(), 16, 0);
}

// A label that sizes itself keeps its left and top edges and takes the size of its text.
void MainWindow::SetLabel(HWND label, const std::u16string& text, bool sizeToText) {
  SetWindowTextW(label, Wide(text));
  if (!sizeToText) return;
  const SIZE size = TextSize(label, text);
  SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::SetTexts(const std::u16string& version, const std::u16string& notice) {
  if (!hwnd_ || !cmdOK_) return;
  SetLabel(lblVersion_, version, true);
  SetLabel(lblCopyright_, notice, false);
}

// The tray icon reports through this message too: its mouse-message code arrives as the
// pointer's X, and the form reads it back in twips.
void MainWindow::MouseMove(WPARAM wParam, LPARAM lParam) {
  const float x = static_cast<float>(static_cast<short>(LOWORD(lParam))) * TwipsPerPixel(dpi_.x);
  const float y = static_cast<float>(static_cast<short>(HIWORD(lParam))) * TwipsPerPixel(dpi_.y);
  form_->MouseMove(ButtonState(wParam), ShiftState(wParam), x, y);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* window = static_cast<MainWindow*>(create->lpCreateParams);
    window->hwnd_.reset(hwnd);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  }
  auto* window = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!window || window->hwnd_.get() != hwnd) return DefWindowProcW(hwnd, message, wParam, lParam);
  return window->OnMessage(message, wParam, lParam);
}

// Before the form is attached no message reaches it.
LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!form_) return DefWindowProcW(hwnd_.get(), message, wParam, lParam);
  switch (message) {
    case WM_MOUSEMOVE: MouseMove(wParam, lParam); return 0;
    case WM_SETFOCUS:
      if (cmdOK_) SetFocus(cmdOK_);
      return 0;
    case DM_GETDEFID:  // Enter presses OK
      return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_COMMAND:  // OK clicked, Enter (IDOK) or Esc (IDCANCEL)
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        form_->OkClick();
        return 0;
      }
      break;
    case WM_CLOSE:  // close box, system menu, Alt+F4, or a close message from elsewhere
      form_->CloseRequest(vbFormControlMenu);
      return 0;
    case WM_QUERYENDSESSION: return form_->QueryEndSession() ? TRUE : FALSE;
    case WM_ENDSESSION:
      if (wParam) form_->CloseRequest(vbAppWindows);
      return 0;
    case WM_DISPLAYCHANGE:  // sent to every top-level window, whoever changed the mode
      form_->DisplayChanged();
      return 0;
    default:
      if (message == taskbarCreated_ && taskbarCreated_ != 0) {
        form_->ShellRestarted();
        return 0;
      }
      break;
  }
  return DefWindowProcW(hwnd_.get(), message, wParam, lParam);
}

}  // namespace win32

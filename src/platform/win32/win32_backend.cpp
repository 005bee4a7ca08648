// The desktop window on Windows, on the Windows API alone. The main thread
// owns the window: it creates it, handles its messages and copies the frame
// buffer to it; the game runs on a thread of its own and talks to it through
// Win32Backend.
#include "platform/win32/win32_backend.h"

#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/backend.h"
#include "platform/platform.h"

Win32Backend win32Backend;

namespace {

constexpr UINT wakeMessage = WM_APP + 1;
constexpr UINT_PTR moveTimer = 1;
constexpr const wchar_t* windowClass = L"BrastorWindow";

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

Win32Backend& wb = win32Backend;

// Any thread: makes the window thread look at the shared state soon.
void wakeWindowThread() {
    const DWORD thread = wb.windowThreadId.load();
    if (thread == 0 || wb.wakePending.exchange(true)) return;
    if (!PostThreadMessageW(thread, wakeMessage, 0, 0)) wb.wakePending.store(false);
}

// ---------------------------------------------------------------- window thread

// The window's own scaling of the frame (a client area smaller than the
// frame gets it shrunk).
RECT frameRect(int outWidth, int outHeight) {
    const FrameArea area = fitFrame(outWidth, outHeight, wb.link.frameWidth, wb.link.frameHeight);
    return RECT{area.x, area.y, area.x + area.width, area.y + area.height};
}

// The last whole frame, scaled without smoothing, and black around it.
void paint(HDC dc) {
    if (wb.shown.empty()) return;
    RECT client;
    GetClientRect(wb.window, &client);
    const int outWidth = client.right, outHeight = client.bottom;
    if (outWidth <= 0 || outHeight <= 0) return;
    const RECT target = frameRect(outWidth, outHeight);
    const auto black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    const RECT borders[] = {{0, 0, outWidth, target.top},
                            {0, target.bottom, outWidth, outHeight},
                            {0, target.top, target.left, target.bottom},
                            {target.right, target.top, outWidth, target.bottom}};
    for (const RECT& border : borders)
        if (border.right > border.left && border.bottom > border.top) FillRect(dc, &border, black);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = wb.link.frameWidth;
    info.bmiHeader.biHeight = -wb.link.frameHeight;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;  // B, G, R and an unused byte, as the frame buffer
    info.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, 0, 0,
                  wb.link.frameWidth, wb.link.frameHeight, wb.shown.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

void copyFrameToShown() {
    std::memcpy(wb.shown.data(), framePixels(), wb.shown.size() * sizeof(std::uint32_t));
}

// Copies the frame buffer unless the game holds the screen lock (then the
// last whole frame stays up), and shows it.
void refreshWindow() {
    if (!wb.window) return;
    const FrameCopy copy = linkCopyFrame(wb.link, copyFrameToShown);
    HDC dc = GetDC(wb.window);
    paint(dc);
    ReleaseDC(wb.window, dc);
    linkFrameShown(wb.link, copy);
}

// A scan code's flag stays set while the other key that shares it (an arrow
// and its keypad twin) is still down.
void releaseKey(LPARAM lParam) {
    const int key = physicalKey(lParam);
    wb.heldKeys[key] = false;
    if (setOneCode(lParam) != 0 && !wb.heldKeys[key ^ 128]) keyUp(setOneCode(lParam));
}

void forgetHeldKeys() {
    std::fill(std::begin(wb.heldKeys), std::end(wb.heldKeys), false);
    clearKeys();
}

// Alt+Enter: a borderless window over the whole monitor, and back.
void toggleFullScreen() {
    HWND w = wb.window;
    if (!wb.fullScreen) {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        wb.windowedPlacement.length = sizeof(wb.windowedPlacement);
        if (!GetWindowPlacement(w, &wb.windowedPlacement) ||
            !GetMonitorInfoW(MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST), &monitor))
            return;
        SetWindowLongPtrW(w, GWL_STYLE, WS_POPUP | WS_VISIBLE);
        const RECT& r = monitor.rcMonitor;
        SetWindowPos(w, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
    } else {
        SetWindowLongPtrW(w, GWL_STYLE, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
        SetWindowPlacement(w, &wb.windowedPlacement);
        SetWindowPos(w, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
    }
    wb.fullScreen = !wb.fullScreen;
    wb.loop.redraw = true;
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        windowCloseRequested(wb.loop);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        // The keyboard's releases may go to another window now; a pad's
        // state keeps coming, so what pads hold stays held.
        forgetHeldKeys();
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        const bool repeat = (lParam >> 30) & 1;
        const bool altDown = (lParam >> 29) & 1;
        if (wParam == VK_F4 && altDown) break;  // Alt+F4 closes, as everywhere
        wb.heldKeys[physicalKey(lParam)] = true;
        if (const int code = setOneCode(lParam)) keyDown(code);
        if (wParam == VK_RETURN && altDown) {
            if (!repeat) toggleFullScreen();
            return 0;
        }
        typeKeyDown(window, wParam, lParam);
        return 0;  // no menu for Alt or F10
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
        releaseKey(lParam);
        return 0;
    case WM_CHAR:
        typeCharacter(static_cast<wchar_t>(wParam));
        return 0;
    case WM_SYSCHAR:
        return 0;  // Alt+key typed at its key press; no beep
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        paint(dc);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_SIZE:
        wb.loop.redraw = true;
        return 0;
    // Moving or sizing runs a loop inside Windows; a timer keeps the frame
    // coming meanwhile.
    case WM_ENTERSIZEMOVE:
        SetTimer(window, moveTimer, 16, nullptr);
        return 0;
    case WM_EXITSIZEMOVE:
        KillTimer(window, moveTimer);
        return 0;
    case WM_TIMER:
        if (wParam == moveTimer) refreshWindow();
        return 0;
    case WM_DPICHANGED: {
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool createWindow(int width, int height) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClassInfo{};
    windowClassInfo.cbSize = sizeof(windowClassInfo);
    windowClassInfo.style = CS_HREDRAW | CS_VREDRAW;
    windowClassInfo.lpfnWndProc = windowProcedure;
    windowClassInfo.hInstance = instance;
    windowClassInfo.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClassInfo.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClassInfo.hbrBackground = nullptr;
    windowClassInfo.lpszClassName = windowClass;
    if (!RegisterClassExW(&windowClassInfo)) return false;
    wb.shown.assign(static_cast<std::size_t>(width) * height, 0xFF000000u);
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    wb.window = CreateWindowExW(0, windowClass, L"Brastor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                                nullptr);
    if (!wb.window) return false;
    ShowWindow(wb.window, SW_SHOWNORMAL);
    UpdateWindow(wb.window);
    SetForegroundWindow(wb.window);
    return true;
}

void explainWindowFailure() {
    std::fprintf(stderr, "brastor: cannot open a window (error %lu)\n", static_cast<unsigned long>(GetLastError()));
}

// Waits up to timeoutMs for messages and handles all there are.
void handleMessages(int timeoutMs) {
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(timeoutMs), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    // Cleared on every pass, not only when the wake arrives: a modal loop
    // inside Windows (moving the window) drops thread messages.
    wb.wakePending.store(false);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.hwnd == nullptr && message.message == wakeMessage) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool windowExists() { return wb.window != nullptr; }

// Pads are polled at the refresh's pace.
void refreshWithPads() {
    pollPads();
    refreshWindow();
}

}  // namespace

// ---------------------------------------------------------------- game thread

// The window thread makes the window, or ends the program if it cannot.
int backendOpen(int width, int height) {
    return linkOpen(wb.link, width, height, wb.windowThreadId.load() != 0, wakeWindowThread);
}

void backendAcquireScreen() { linkAcquireScreen(wb.link); }

void backendReleaseScreen() { linkReleaseScreen(wb.link, wakeWindowThread); }

void backendPresent() { linkPresent(wb.link, wakeWindowThread); }

double backendClockSeconds() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Sleeps on a high-resolution waitable timer, so that 15 ms are 15 ms and not
// the 15.6 ms tick's 16 or 31; where Windows has none, on a plain one with the
// system timer at 1 ms. The wait gives up two periods past the due time, so a
// timer that never fires costs one late frame, not a game that stops.
void backendSleepMs(int milliseconds) {
    if (milliseconds <= 0) return;
    if (!wb.sleepTimer) {
        wb.sleepTimer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                               TIMER_ALL_ACCESS);
        if (!wb.sleepTimer) {
            timeBeginPeriod(1);
            wb.coarseTimer = true;
            wb.sleepTimer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
        }
    }
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(milliseconds) * 10000;  // relative, in 100 ns
    if (wb.sleepTimer && SetWaitableTimer(wb.sleepTimer, &due, 0, nullptr, nullptr, FALSE))
        WaitForSingleObject(wb.sleepTimer, static_cast<DWORD>(3 * milliseconds + 2));
    else
        Sleep(static_cast<DWORD>(milliseconds));
}

// ---------------------------------------------------------------- main thread

// The window on the main thread, the game on a second one; returns the game's
// exit code, or 0 when the window was closed and the game did not unwind in time.
int runOnPlatform(int (*gameEntry)()) {
    const std::string data = findInstalledDataFolder();
    if (const std::string missing = missingDataMessage(data); !missing.empty()) {
        // The program has no console: a message box is the only way to say it.
        std::wstring text(missing.size() + 1, L'\0');
        text.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, missing.data(),
                                                                 static_cast<int>(missing.size()), text.data(),
                                                                 static_cast<int>(text.size()))));
        MessageBoxW(nullptr, text.c_str(), L"Brastor", MB_OK | MB_ICONERROR);
        return 1;
    }
    setDataFolder(data.c_str());
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    // The thread's message queue exists before anyone posts to it.
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    wb.windowThreadId.store(GetCurrentThreadId());

    const WindowThreadCalls calls{wakeWindowThread, handleMessages, createWindow, explainWindowFailure,
                                  windowExists, refreshWithPads};
    const int exitCode = runWindowThread(wb.link, wb.loop, calls, gameEntry);

    wb.windowThreadId.store(0);
    closePads();
    if (wb.window) DestroyWindow(wb.window);
    wb.window = nullptr;
    if (wb.sleepTimer) CloseHandle(wb.sleepTimer);
    if (wb.coarseTimer) timeEndPeriod(1);
    return exitCode;
}

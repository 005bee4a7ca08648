#include "platform/window_link.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/backend.h"

namespace {
using Clock = std::chrono::steady_clock;

constexpr auto presentWait = std::chrono::milliseconds(100);
constexpr auto refreshPeriod = std::chrono::microseconds(16667);
constexpr auto quitGrace = std::chrono::seconds(2);
constexpr int closeButtonKey = 107;  // "k", which the game ignores
}  // namespace

int linkOpen(WindowLink& link, int width, int height, bool windowThreadRunning, WakeWindowThread wake) {
    if (width <= 0 || height <= 0) return 1;
    std::unique_lock lock(link.stateMutex);
    if (link.windowState == WindowState::open) return 0;
    if (!windowThreadRunning) return 1;
    link.frameWidth = width;
    link.frameHeight = height;
    link.windowState = WindowState::requested;
    lock.unlock();
    wake();
    lock.lock();
    link.stateChanged.wait(lock, [&link] { return link.windowState != WindowState::requested; });
    return 0;
}

void linkAcquireScreen(WindowLink& link) { link.screenMutex.lock(); }

void linkReleaseScreen(WindowLink& link, WakeWindowThread wake) {
    link.screenMutex.unlock();
    link.frameChanged.store(true);
    wake();
}

void linkPresent(WindowLink& link, WakeWindowThread wake) {
    std::unique_lock lock(link.stateMutex);
    if (link.windowState != WindowState::open) return;
    const std::uint64_t mine = ++link.presentsRequested;
    lock.unlock();
    link.frameChanged.store(true);
    wake();
    if (screenLockCount() > 0) return;
    lock.lock();
    link.stateChanged.wait_for(lock, presentWait, [&link, mine] { return link.presentsShown >= mine; });
}

void linkGameDone(WindowLink& link, WakeWindowThread wake) {
    link.gameDone.store(true);
    wake();
}

void linkServeWindowRequest(WindowLink& link, bool (*createWindow)(int width, int height),
                            void (*explainFailure)()) {
    std::unique_lock lock(link.stateMutex);
    if (link.windowState != WindowState::requested) return;
    const int width = link.frameWidth, height = link.frameHeight;
    lock.unlock();
    if (!createWindow(width, height)) {
        explainFailure();
        std::fflush(nullptr);
        std::_Exit(1);
    }
    lock.lock();
    link.windowState = WindowState::open;
    link.stateChanged.notify_all();
}

FrameCopy linkCopyFrame(WindowLink& link, void (*copyFrame)()) {
    FrameCopy copy;
    {
        std::lock_guard lock(link.stateMutex);
        copy.presents = link.presentsRequested;
    }
    const bool changed = link.frameChanged.exchange(false);
    if (link.screenMutex.try_lock()) {
        copyFrame();
        link.screenMutex.unlock();
        copy.copied = true;
    } else if (changed) {
        link.frameChanged.store(true);  // the release will bring it back anyway
    }
    return copy;
}

void linkFrameShown(WindowLink& link, const FrameCopy& copy) {
    if (!copy.copied) return;
    std::lock_guard lock(link.stateMutex);
    link.presentsShown = std::max(link.presentsShown, copy.presents);
    link.stateChanged.notify_all();
}

FrameArea fitFrame(int outWidth, int outHeight, int frameWidth, int frameHeight) {
    const int fw = frameWidth, fh = frameHeight;
    int w, h;
    const int factor = std::min(outWidth / fw, outHeight / fh);
    if (factor >= 1) {
        w = fw * factor;
        h = fh * factor;
    } else if (static_cast<long long>(outWidth) * fh <= static_cast<long long>(outHeight) * fw) {
        w = outWidth;
        h = static_cast<int>(static_cast<long long>(outWidth) * fh / fw);
    } else {
        h = outHeight;
        w = static_cast<int>(static_cast<long long>(outHeight) * fw / fh);
    }
    return FrameArea{(outWidth - w) / 2, (outHeight - h) / 2, w, h};
}

void windowCloseRequested(WindowLoop& loop) {
    pushTypedKey(closeButtonKey);
    requestQuit();
    if (!loop.quitting) {
        loop.quitting = true;
        loop.quitDeadline = Clock::now() + quitGrace;
    }
}

int runWindowThread(WindowLink& link, WindowLoop& loop, const WindowThreadCalls& calls, int (*gameEntry)()) {
    int exitCode = 0;
    std::thread game([&link, &calls, gameEntry, &exitCode] {
        exitCode = gameEntry();
        linkGameDone(link, calls.wake);
    });

    auto lastRefresh = Clock::now();
    while (!link.gameDone.load()) {
        const auto untilRefresh =
            std::chrono::duration_cast<std::chrono::milliseconds>(lastRefresh + refreshPeriod - Clock::now());
        calls.handleEvents(static_cast<int>(std::clamp<long long>(untilRefresh.count(), 0, 16)));
        linkServeWindowRequest(link, calls.createWindow, calls.explainFailure);
        if (loop.quitting && !link.gameDone.load() && Clock::now() >= loop.quitDeadline) {
            // The game did not unwind: leave anyway, as a closed window should.
            std::fflush(nullptr);
            std::_Exit(0);
        }
        const auto now = Clock::now();
        if (calls.windowExists() &&
            (loop.redraw || link.frameChanged.load() || now - lastRefresh >= refreshPeriod)) {
            calls.refresh();
            loop.redraw = false;
            lastRefresh = now;
        }
    }
    game.join();
    return exitCode;
}

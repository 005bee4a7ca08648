#include "headless/alloc_count.h"

#include <cstdlib>
#ifdef _WIN32
#include <malloc.h>
#endif
#include <new>

namespace {

bool started = false;
bool windowOpen = false;   // between a frame's end and the next game event
bool showedScreen = false; // the objective's text box appeared in this window
std::int64_t inWindow = 0;
AllocationCounts counts{0, 0, -1, 0};

void* allocate(std::size_t size) {
    if (windowOpen) ++inWindow;
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

void* allocateAligned(std::size_t size, std::align_val_t alignment) {
    if (windowOpen) ++inWindow;
    const std::size_t align = static_cast<std::size_t>(alignment);
    const std::size_t rounded = (size + align - 1) / align * align;
#ifdef _WIN32
    void* p = _aligned_malloc(rounded ? rounded : align, align);  // Windows' C library has no aligned_alloc
#else
    void* p = std::aligned_alloc(align, rounded ? rounded : align);
#endif
    if (!p) throw std::bad_alloc();
    return p;
}

void freeAligned(void* p) {
#ifdef _WIN32
    _aligned_free(p);
#else
    std::free(p);
#endif
}

void closeWindow(bool frameEnded) {
    if (!windowOpen) return;
    if (showedScreen) {
        counts.screenAllocations += inWindow;
    } else if (frameEnded) {
        if (inWindow > 0 && counts.firstFrame < 0) counts.firstFrame = game.frameCount;
        counts.playAllocations += inWindow;
        counts.framesWatched += 1;
    }
    windowOpen = false;
}

}  // namespace

void allocationCountingStart() { started = true; }

void allocationCountingEvent(GameEvent event) {
    if (!started) return;
    switch (event) {
        case GameEvent::frameEnd:
            closeWindow(true);
            windowOpen = true;
            showedScreen = false;
            inWindow = 0;
            break;
        case GameEvent::objectiveMet: showedScreen = true; break;
        // A screenshot's file name and writing are the player's request, not play.
        case GameEvent::screenshot: showedScreen = true; break;
        default: closeWindow(false); break;
    }
}

AllocationCounts allocationCounts() { return counts; }

// Every replaceable form, so no allocation slips past the count.
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return operator new(size, std::nothrow);
}
void* operator new(std::size_t size, std::align_val_t a) { return allocateAligned(size, a); }
void* operator new[](std::size_t size, std::align_val_t a) { return allocateAligned(size, a); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    try {
        return allocateAligned(size, a);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return operator new(size, a, std::nothrow);
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { freeAligned(p); }
void operator delete[](void* p, std::align_val_t) noexcept { freeAligned(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { freeAligned(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { freeAligned(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { freeAligned(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { freeAligned(p); }

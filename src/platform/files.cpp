// Reading the game's data files by their backslash names.
#include "platform/files.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/host.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

std::FILE* openHostFile(const std::string& utf8Path, const char* mode) {
#ifdef _WIN32
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(pathOfUtf8(utf8Path).c_str(), wideMode.c_str());
#else
    return std::fopen(utf8Path.c_str(), mode);
#endif
}

std::string dataFolderPath;

void setDataFolder(const char* folder) {
    std::string f = folder ? folder : "";
    dataFolderPath = (f == ".") ? std::string() : f;
}

const char* dataFolder() { return dataFolderPath.empty() ? "." : dataFolderPath.c_str(); }

namespace {

bool pathExists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

// The entry of `folder` named like `name` up to letter case; when several
// match, the smallest name wins so the choice does not depend on the order
// the folder lists them in. Empty when none matches.
fs::path findIgnoringCase(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
    std::string best;
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string entry = utf8OfPath(it->path().filename());
        if (sameIgnoringCase(entry, name) && (best.empty() || entry < best)) best = entry;
    }
    return best.empty() ? fs::path() : folder / pathOfUtf8(best);
}

std::FILE* handle(GameFile& file) { return static_cast<std::FILE*>(file.host); }

std::string memoryFileName;
std::string memoryFileBytes;

// A read handle on `bytes`; Windows' C library has no fmemopen, so there a
// temporary file holds a copy.
std::FILE* openMemoryFile(std::string& bytes) {
#ifdef _WIN32
    std::FILE* f = std::tmpfile();
    if (f && (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fseek(f, 0, SEEK_SET) != 0)) {
        std::fclose(f);
        return nullptr;
    }
    return f;
#else
    return fmemopen(bytes.data(), bytes.size(), "rb");
#endif
}

int openFile(GameFile& file, const char* name, bool text) {
    closeFile(file);
    if (!name || !*name) return 1;
    if (!memoryFileName.empty() && memoryFileName == name && !memoryFileBytes.empty()) {
        std::FILE* f = openMemoryFile(memoryFileBytes);
        if (!f) return 1;
        file.host = f;
        file.text = text;
        return 0;
    }
    std::string path = hostPath(name);
    std::error_code ec;
    if (!fs::is_regular_file(pathOfUtf8(path), ec)) return 1;
    std::FILE* f = openHostFile(path, "rb");
    if (!f) return 1;
    file.host = f;
    file.text = text;
    return 0;
}

}  // namespace

void serveFileFromMemory(const std::string& name, std::string bytes) {
    memoryFileName = name;
    memoryFileBytes = std::move(bytes);
}

std::string hostPath(const char* name) {
    std::string rel = name ? name : "";
    std::replace(rel.begin(), rel.end(), '\\', '/');
    fs::path p = pathOfUtf8(rel);
    // "/x" has no drive on Windows and is not absolute there, yet it names
    // the current drive's root, not a place below the data folder.
    fs::path base = p.has_root_path() ? p.root_path() : pathOfUtf8(dataFolderPath);
    fs::path exact = base / p.relative_path();
    if (pathExists(exact)) return utf8OfPath(exact);

    fs::path walked = base;
    for (const fs::path& part : p.relative_path()) {
        std::string piece = utf8OfPath(part);
        if (piece.empty()) continue;
        fs::path next = walked / part;
        if (piece == "." || piece == ".." || pathExists(next)) {
            walked = next;
            continue;
        }
        fs::path found = findIgnoringCase(walked, piece);
        if (found.empty()) return utf8OfPath(exact);
        walked = found;
    }
    return utf8OfPath(walked);
}

int openTextFile(GameFile& file, const char* name) { return openFile(file, name, true); }
int openBinaryFile(GameFile& file, const char* name) { return openFile(file, name, false); }

// Bytes up to the next LF, without it and without a CR directly before it.
std::string readLine(GameFile& file) {
    std::string line;
    std::FILE* f = handle(file);
    if (!f) return line;
    for (int c; (c = std::getc(f)) != EOF;) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            break;
        }
        line.push_back(static_cast<char>(c));
    }
    return line;
}

bool atEnd(GameFile& file) {
    std::FILE* f = handle(file);
    if (!f) return true;
    int c = std::getc(f);
    if (c == EOF) return true;
    std::ungetc(c, f);
    return false;
}

int readBytesCounted(GameFile& file, int count, void* destination) {
    if (count <= 0 || !destination) return 0;
    std::FILE* f = handle(file);
    std::size_t got = f ? std::fread(destination, 1, static_cast<std::size_t>(count), f) : 0;
    std::fill(static_cast<unsigned char*>(destination) + got,
              static_cast<unsigned char*>(destination) + count, 0);
    return static_cast<int>(got);
}

void readBytes(GameFile& file, int count, void* destination) {
    readBytesCounted(file, count, destination);
}

namespace {

// 64-bit offsets on every host: `long` has 32 bits on Windows.
#ifdef _WIN32
int seekTo(std::FILE* f, std::int64_t offset, int whence) { return _fseeki64(f, offset, whence); }
std::int64_t position(std::FILE* f) { return _ftelli64(f); }
#else
int seekTo(std::FILE* f, std::int64_t offset, int whence) { return fseeko(f, static_cast<off_t>(offset), whence); }
std::int64_t position(std::FILE* f) { return ftello(f); }
#endif

}  // namespace

bool seekFile(GameFile& file, std::int64_t offset) {
    std::FILE* f = handle(file);
    if (!f || offset < 0) return false;
    return seekTo(f, offset, SEEK_SET) == 0;
}

std::int64_t fileSize(GameFile& file) {
    std::FILE* f = handle(file);
    if (!f) return 0;
    const std::int64_t here = position(f);
    if (here < 0 || seekTo(f, 0, SEEK_END) != 0) return 0;
    const std::int64_t size = position(f);
    seekTo(f, here, SEEK_SET);
    return size < 0 ? 0 : size;
}

void closeFile(GameFile& file) {
    if (std::FILE* f = handle(file)) std::fclose(f);
    file.host = nullptr;
    file.text = false;
}

namespace {

// The running program's real file (links resolved); empty when unknown.
fs::path executablePath() {
#ifdef _WIN32
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD got = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (got == 0) return {};
        if (got < name.size()) return fs::path(name.substr(0, got));
        name.resize(name.size() * 2);
    }
#else
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe;
#endif
}

}  // namespace

std::string findInstalledDataFolder() {
    std::error_code ec;
    const fs::path exe = executablePath();
    if (exe.empty()) return ".";
    fs::path folder = exe.parent_path();
    if (pathExists(folder / "gfx") || pathExists(folder / "level1")) return utf8OfPath(folder);
    fs::path shared = (folder / ".." / "share" / "brastor").lexically_normal();
    if (fs::is_directory(shared, ec)) return utf8OfPath(shared);
    return utf8OfPath(folder);
}

std::string missingDataMessage(const std::string& folder) {
    const fs::path base = pathOfUtf8(folder);
    for (const char* name : {"gfx", "level1", "level2"})
        if (pathExists(base / name)) return {};
    return "Brastor cannot start: its game data is missing. The folders gfx, level1 and level2 must be "
           "beside the program, in " + folder + ". Unpack the whole archive into a folder and start the "
           "program there.";
}

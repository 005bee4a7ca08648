// Reading the game's data files by their backslash names.
#include "platform/files.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/host.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

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
        std::string entry = it->path().filename().string();
        if (sameIgnoringCase(entry, name) && (best.empty() || entry < best)) best = entry;
    }
    return best.empty() ? fs::path() : folder / best;
}

std::FILE* handle(GameFile& file) { return static_cast<std::FILE*>(file.host); }

std::string memoryFileName;
std::string memoryFileBytes;

int openFile(GameFile& file, const char* name, bool text) {
    closeFile(file);
    if (!name || !*name) return 1;
    if (!memoryFileName.empty() && memoryFileName == name && !memoryFileBytes.empty()) {
        std::FILE* f = fmemopen(memoryFileBytes.data(), memoryFileBytes.size(), "rb");
        if (!f) return 1;
        file.host = f;
        file.text = text;
        return 0;
    }
    std::string path = hostPath(name);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return 1;
    std::FILE* f = std::fopen(path.c_str(), "rb");
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
    fs::path p(rel);
    fs::path base = p.is_absolute() ? p.root_path() : fs::path(dataFolderPath);
    fs::path exact = base / p.relative_path();
    if (pathExists(exact)) return exact.string();

    fs::path walked = base;
    for (const fs::path& part : p.relative_path()) {
        std::string piece = part.string();
        if (piece.empty()) continue;
        fs::path next = walked / part;
        if (piece == "." || piece == ".." || pathExists(next)) {
            walked = next;
            continue;
        }
        fs::path found = findIgnoringCase(walked, piece);
        if (found.empty()) return exact.string();
        walked = found;
    }
    return walked.string();
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

bool seekFile(GameFile& file, std::int64_t offset) {
    std::FILE* f = handle(file);
    if (!f || offset < 0) return false;
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::int64_t fileSize(GameFile& file) {
    std::FILE* f = handle(file);
    if (!f) return 0;
    off_t here = ftello(f);
    if (here < 0 || fseeko(f, 0, SEEK_END) != 0) return 0;
    off_t size = ftello(f);
    fseeko(f, here, SEEK_SET);
    return size < 0 ? 0 : size;
}

void closeFile(GameFile& file) {
    if (std::FILE* f = handle(file)) std::fclose(f);
    file.host = nullptr;
    file.text = false;
}

// The folder of the running program's real file (links resolved).
std::string findInstalledDataFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return ".";
    fs::path folder = exe.parent_path();
    if (pathExists(folder / "gfx") || pathExists(folder / "level1")) return folder.string();
    fs::path shared = (folder / ".." / "share" / "brastor").lexically_normal();
    if (fs::is_directory(shared, ec)) return shared.string();
    return folder.string();
}

#include "TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace brak::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "brak-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary directory");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code error;
    // Read-only files and directories left by a test must not stop the cleanup.
    for (auto it = fs::recursive_directory_iterator(path_, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_symlink())
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::remove_all(path_, error);
}

void TempDir::write(const std::string& name, const std::string& contents) const {
    const fs::path target = file(name);
    fs::create_directories(target.parent_path());
    writeFile(target.string(), contents);
}

void TempDir::resize(const std::string& name, std::int64_t length) const {
    if (!exists(name))
        write(name, "");
    fs::resize_file(file(name), static_cast<std::uintmax_t>(length));
}

std::string TempDir::read(const std::string& name) const {
    return readFile(file(name));
}

bool TempDir::exists(const std::string& name) const {
    std::error_code error;
    return fs::exists(fs::symlink_status(file(name), error));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

void writeFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

std::string randomBytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    std::mt19937_64 random(seed);
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

} // namespace brak::test

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace brak::test {

// A fresh directory for one test, removed with everything in it afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // The full name of a file below the directory.
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    // Writes a file below the directory, creating its parent directories.
    void write(const std::string& name, const std::string& contents) const;
    // Makes the file that long (sparse where it grows), creating it if need be.
    void resize(const std::string& name, std::int64_t length) const;
    // The whole file; empty when it cannot be read.
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;

private:
    std::string path_;
};

// The whole file; empty when it cannot be read.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& contents);
// `size` bytes that do not compress, the same for the same seed.
std::string randomBytes(std::size_t size, unsigned seed);

} // namespace brak::test

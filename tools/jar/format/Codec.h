#pragma once

#include <cstddef>
#include <memory>
#include <string>

// The one codec of the format: zstd, through libzstd.
namespace brak::jar {

// What a compression level (-m1..-m4) means; see FORMAT.md.
struct LevelSettings {
    int zstdLevel = 3;
    size_t blockData = 4 << 20; // bytes of file data gathered into one block
    int windowLog = 0;          // 0: zstd's own choice for the level
    bool longMatching = false;
};
LevelSettings levelSettings(int level);

// Memory one compressor needs at these settings, for sizing the pipeline.
size_t compressorMemory(const LevelSettings& settings);

// One zstd context, used by one thread at a time.
class Compressor {
public:
    explicit Compressor(const LevelSettings& settings);
    ~Compressor();
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
    // One frame declaring its size; false (and `out` undefined) when it
    // would not be smaller than `raw`, which is then stored as it is.
    bool compress(const std::string& raw, std::string& out);

private:
    struct Context;
    std::unique_ptr<Context> context_;
};

// One frame, whatever its size, at a fast level: the index is always one.
std::string compressFrame(const std::string& raw);

// Whether the payload is exactly one frame declaring `rawSize` bytes.
bool frameDeclares(const char* payload, size_t size, size_t rawSize);

// Decodes a payload that must be exactly one frame declaring `rawSize`
// bytes, into `out`; false for anything else. Nothing is allocated beyond
// `out` and a bounded context.
bool decompressFrame(const char* payload, size_t size, char* out, size_t rawSize);

// Streams one frame out of `stored`, so that memory follows what the frame
// really holds, never what it claims; `read` returns 0 at its end and
// throws std::runtime_error for a damaged frame.
class FrameReader {
public:
    explicit FrameReader(std::string stored);
    ~FrameReader();
    FrameReader(const FrameReader&) = delete;
    FrameReader& operator=(const FrameReader&) = delete;
    size_t read(char* out, size_t size);

private:
    struct Context;
    std::unique_ptr<Context> context_;
};

} // namespace brak::jar

#include "Codec.h"

#include "Common.h"

#include <algorithm>
#include <stdexcept>
// The advanced parameter sets and size estimates; libzstd exports them.
#define ZSTD_STATIC_LINKING_ONLY
#include <zstd.h>

namespace brak::jar {

namespace {

// A frame may not ask for a larger window than the largest block needs.
constexpr int MaxWindowLog = 27;

void check(size_t result) {
    if (ZSTD_isError(result))
        throw std::runtime_error(ZSTD_getErrorName(result));
}

void apply(ZSTD_CCtx_params* params, const LevelSettings& settings) {
    check(ZSTD_CCtxParams_init(params, settings.zstdLevel));
    check(ZSTD_CCtxParams_setParameter(params, ZSTD_c_contentSizeFlag, 1));
    check(ZSTD_CCtxParams_setParameter(params, ZSTD_c_checksumFlag, 0));
    check(ZSTD_CCtxParams_setParameter(params, ZSTD_c_stableInBuffer, 1));
    check(ZSTD_CCtxParams_setParameter(params, ZSTD_c_stableOutBuffer, 1));
    if (settings.windowLog != 0)
        check(ZSTD_CCtxParams_setParameter(params, ZSTD_c_windowLog, settings.windowLog));
    if (settings.longMatching)
        check(ZSTD_CCtxParams_setParameter(params, ZSTD_c_enableLongDistanceMatching, 1));
}

} // namespace

// Measured on a copy of /usr/include (FORMAT.md): a window as large as the
// block costs no time and saves 7 to 27 % at the faster levels; long-distance
// matching saves nothing within a block.
LevelSettings levelSettings(int level) {
    switch (level) {
    case 1:
        return {1, 4 << 20, 22, false};
    case 3:
        return {9, 8 << 20, 23, false};
    case 4:
        return {19, 16 << 20, 24, false};
    default:
        return {3, 8 << 20, 23, false};
    }
}

size_t compressorMemory(const LevelSettings& settings) {
    // libzstd cannot estimate long-distance matching before it has chosen
    // its parameters: its tables are added here, at their default sizes
    // (a hash table of 8-byte entries, window / 2^7 of them, and as much
    // again for the sequences it finds).
    ZSTD_compressionParameters parameters =
        ZSTD_getCParams(settings.zstdLevel, settings.blockData, 0);
    if (settings.windowLog != 0)
        parameters.windowLog = static_cast<unsigned>(settings.windowLog);
    size_t size = ZSTD_estimateCCtxSize_usingCParams(parameters);
    if (settings.longMatching)
        size += 2 * ((size_t{1} << std::max(settings.windowLog, 20)) >> 7) * 8;
    return size;
}

struct Compressor::Context {
    ZSTD_CCtx* cctx = nullptr;
    ~Context() { ZSTD_freeCCtx(cctx); }
};

Compressor::Compressor(const LevelSettings& settings) : context_(std::make_unique<Context>()) {
    context_->cctx = ZSTD_createCCtx();
    if (context_->cctx == nullptr)
        throw std::bad_alloc();
    ZSTD_CCtx_params* params = ZSTD_createCCtxParams();
    apply(params, settings);
    const size_t result = ZSTD_CCtx_setParametersUsingCCtxParams(context_->cctx, params);
    ZSTD_freeCCtxParams(params);
    check(result);
}

Compressor::~Compressor() = default;

bool Compressor::compress(const std::string& raw, std::string& out) {
    // Fed a megabyte at a time, so that Ctrl-C is heard within a moment
    // even at the slowest level. Both buffers stay where they are, so zstd
    // works on them in place, as in one call, and copies nothing.
    constexpr size_t Step = 1 << 20;
    ZSTD_CCtx* cctx = context_->cctx;
    out.resize(ZSTD_compressBound(raw.size()));
    check(ZSTD_CCtx_reset(cctx, ZSTD_reset_session_only));
    check(ZSTD_CCtx_setPledgedSrcSize(cctx, raw.size()));
    ZSTD_inBuffer in{raw.data(), 0, 0};
    ZSTD_outBuffer output{out.data(), out.size(), 0};
    for (;;) {
        if (interrupted())
            throw JarError(ExitInterrupted, "interrupted");
        in.size = std::min(raw.size(), in.size + Step);
        const bool last = in.size == raw.size();
        const size_t left =
            ZSTD_compressStream2(cctx, &output, &in, last ? ZSTD_e_end : ZSTD_e_continue);
        check(left);
        if (last && left == 0)
            break;
    }
    if (output.pos >= raw.size())
        return false;
    out.resize(output.pos);
    return true;
}

std::string compressFrame(const std::string& raw) {
    std::string out(ZSTD_compressBound(raw.size()), '\0');
    ZSTD_CCtx* cctx = ZSTD_createCCtx();
    if (cctx == nullptr)
        throw std::bad_alloc();
    ZSTD_CCtx_setParameter(cctx, ZSTD_c_compressionLevel, 3);
    const size_t size = ZSTD_compress2(cctx, out.data(), out.size(), raw.data(), raw.size());
    ZSTD_freeCCtx(cctx);
    check(size);
    out.resize(size);
    return out;
}

bool frameDeclares(const char* payload, size_t size, size_t rawSize) {
    return ZSTD_getFrameContentSize(payload, size) == rawSize &&
           ZSTD_findFrameCompressedSize(payload, size) == size;
}

bool decompressFrame(const char* payload, size_t size, char* out, size_t rawSize) {
    // The frame's own claims are checked before any work: one frame, filling
    // the payload exactly, declaring the size the index gave.
    if (!frameDeclares(payload, size, rawSize))
        return false;
    thread_local struct Context {
        ZSTD_DCtx* dctx = ZSTD_createDCtx();
        ~Context() { ZSTD_freeDCtx(dctx); }
    } context;
    if (context.dctx == nullptr)
        throw std::bad_alloc();
    ZSTD_DCtx_reset(context.dctx, ZSTD_reset_session_and_parameters);
    ZSTD_DCtx_setParameter(context.dctx, ZSTD_d_windowLogMax, MaxWindowLog);
    const size_t got = ZSTD_decompressDCtx(context.dctx, out, rawSize, payload, size);
    return !ZSTD_isError(got) && got == rawSize;
}

struct FrameReader::Context {
    ZSTD_DStream* stream = nullptr;
    std::string stored;
    ZSTD_inBuffer in{nullptr, 0, 0};
    bool ended = false;
    ~Context() { ZSTD_freeDStream(stream); }
};

FrameReader::FrameReader(std::string stored) : context_(std::make_unique<Context>()) {
    context_->stream = ZSTD_createDStream();
    if (context_->stream == nullptr)
        throw std::bad_alloc();
    check(ZSTD_DCtx_setParameter(context_->stream, ZSTD_d_windowLogMax, MaxWindowLog));
    context_->stored = std::move(stored);
    context_->in = {context_->stored.data(), context_->stored.size(), 0};
}

FrameReader::~FrameReader() = default;

size_t FrameReader::read(char* out, size_t size) {
    Context& c = *context_;
    ZSTD_outBuffer buffer{out, size, 0};
    while (!c.ended && buffer.pos < buffer.size) {
        const size_t hint = ZSTD_decompressStream(c.stream, &buffer, &c.in);
        check(hint);
        if (hint == 0) {
            c.ended = true;
            if (c.in.pos != c.in.size)
                throw std::runtime_error("bytes after the frame");
        } else if (c.in.pos == c.in.size && buffer.pos < buffer.size) {
            throw std::runtime_error("the frame is cut short");
        }
    }
    return buffer.pos;
}

} // namespace brak::jar

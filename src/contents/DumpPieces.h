#pragma once

#include "contents/DumpReader.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace brak {

// Bytes of a listing from an offset: how many it put in out, 0 at the end.
// Called from several threads at once.
using DumpSource = std::function<std::size_t(std::uint64_t offset, char* out, std::size_t size)>;

// Where a listing of the given size can be cut into as many pieces as are
// asked for, all about as long: at the start of a FILE line near each even
// share. Fewer places (none) where the listing holds no FILE line there.
std::vector<std::uint64_t> dumpSplits(const DumpSource& source, std::uint64_t size,
                                      unsigned pieces);

// Reads a listing into the reader, cut at the given places into pieces that
// are read at the same time and then joined. The reader ends up exactly as
// if it had read the listing in one pass, errors included: a place that is
// not the start of a FILE line, or a piece that depends on the part before
// it (a file record not complete in it, an archive or chapter section) or
// breaks a limit only together with the others, has the listing read again
// in one pass.
void readDumpPieces(const DumpSource& source, std::uint64_t size,
                    const std::vector<std::uint64_t>& splits, DumpReader& reader);

} // namespace brak

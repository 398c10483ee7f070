#pragma once

#include <string>
#include <string_view>

namespace brak {

// Archives of other programs' formats that Jar for Linux reads: a name ending
// in one of their extensions (any case), e.g. "backup.ZIP", "src.tar.zst".
bool hasForeignArchiveName(std::string_view name);

// The first bytes of a file (up to ArchiveHeadBytes) begin an archive: Jar's
// own, or a zip, 7z, rar, tar, cpio, cab, ar, xar, lha or ISO 9660 image.
// A bare compressed stream (gzip, xz...) is told by its name only.
inline constexpr std::size_t ArchiveHeadBytes = 0x8006;
bool hasArchiveContent(std::string_view head);

// Whether a file opens as an archive when it is named at start-up or dropped
// on the window: by its name (Jar's ".J" anywhere in it, or another format's
// extension), else by its content. Reads nothing but a
// regular file, and that without blocking.
bool isArchiveFile(const std::string& path);

} // namespace brak

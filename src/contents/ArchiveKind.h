#pragma once

#include <string>

namespace brak {

// Whether a file the user names or drops is opened as an archive (listed)
// rather than loaded as a configuration. Only the file's own name counts
// for now: one holding ".J", in any case, as Jar's archives are named. A
// directory in the path (~/.jdk/) says nothing about the file in it.
bool isArchiveFile(const std::string& path);

} // namespace brak

#include "contents/ArchiveKind.h"

#include "base/Text.h"
#include "platform/Platform.h"

namespace brak {

bool isArchiveFile(const std::string& path) {
    const std::size_t separator = path.rfind(PathSeparator);
    const std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    return upperCase(name).find(".J") != std::string::npos;
}

} // namespace brak

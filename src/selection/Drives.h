#pragma once

#include "platform/Platform.h"

#include <string>
#include <vector>

namespace brak {

// A volume the system mounts for itself (processes, devices, control
// groups, kernel tables) or in its own areas (/proc, /sys, /dev, /run
// outside /run/media, /snap): nothing a user picks files from.
bool isSystemVolume(const Volume& volume);

// The drive list: "/" first, then every other volume a user would pick
// from, in the order the system mounted them, each once.
std::vector<std::string> selectableDrives(const std::vector<Volume>& volumes);

} // namespace brak

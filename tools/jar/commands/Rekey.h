#pragma once

#include "Password.h"
#include "cli/Options.h"

#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>

// A new password for an archive (-np, -npfd<n>), or none (-np-), given with a
// command that writes the archive and applied to what it wrote.
namespace brak::jar {

struct PasswordChange {
    NewPassword mode = NewPassword::Keep;
    std::optional<Secret> password; // the new one, for Change
    // The run's key was made from the new password before the command, so
    // that a plain archive is written encrypted with it at once.
    bool keyIsNew = false;
    // The blocks of an encrypted archive are sealed again after the command,
    // which is when it is split into volumes, once.
    bool resealsAfter = false;
    std::string target; // the archive the command writes
    bool existed = false;
    ino_t inode = 0;
};

// Before the command, with nothing written yet: the current password of a
// protected archive (its header's `flags`) is asked (a wrong one ends the run
// with a CRC error), then the new one is read from its descriptor or asked
// twice.
PasswordChange preparePasswordChange(const Options& options, std::uint32_t flags);

// After a command that succeeded: re-encrypts (or decrypts) every block of
// the archive it wrote through a temporary file and a rename, so that an
// interruption leaves the archive as the command left it.
void changePassword(const Options& options, PasswordChange& change);

} // namespace brak::jar

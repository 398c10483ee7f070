// Recovery records at work: the check of every sector, the report of the
// damage by block, and the repair in memory (-hx, rh) or in the file (-jr).
#include "commands/Repair.h"

#include "Console.h"
#include "Files.h"
#include "commands/Support.h"
#include "format/BlockReader.h"
#include "format/Container.h"
#include "format/Parity.h"
#include "format/Protection.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace brak::jar {

namespace {

int recordsOutcome = ExitSuccess;
// What was said about the damage, said again once the command is done, where
// the long list of files tested or extracted has not pushed it away.
std::vector<std::string> said;

void say(const std::string& line) {
    Console::instance().error() << line;
    said.push_back(line);
}

std::string number(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}

// "3", "3-5": runs of consecutive numbers.
std::string ranges(const std::set<std::uint64_t>& numbers) {
    std::string text;
    for (auto it = numbers.begin(); it != numbers.end();) {
        std::uint64_t last = *it;
        auto next = std::next(it);
        while (next != numbers.end() && *next == last + 1)
            last = *next++;
        text += (text.empty() ? "" : ", ") + number(*it + 1) +
                (last != *it ? "-" + number(last + 1) : "");
        it = next;
    }
    return text;
}

// What the damaged sectors hold: the header, blocks (counted from 1) or the
// index, as the index (once readable) places them; else byte ranges.
std::string describe(ArchiveFile& file, const std::vector<std::uint64_t>& sectors) {
    if (sectors.empty())
        return "nothing";
    std::vector<v2::Block> blocks;
    bool indexed = false;
    {
        // Only the block list is wanted: no password is asked for it.
        v2::Protection& protection = v2::Protection::instance();
        const bool ask = protection.askOnRead;
        protection.askOnRead = false;
        try {
            readArchive(file);
            if (file.blocks() != nullptr) {
                blocks = file.blocks()->blocks();
                indexed = true;
            }
        } catch (const JarError& error) {
            if (error.code() == ExitInterrupted || error.code() == ExitNoMemory) {
                protection.askOnRead = ask;
                throw;
            }
        }
        protection.askOnRead = ask;
    }
    const std::uint64_t size = file.size();
    if (!indexed) {
        std::string text;
        for (size_t i = 0; i < sectors.size();) {
            size_t j = i;
            while (j + 1 < sectors.size() && sectors[j + 1] == sectors[j] + 1)
                ++j;
            const std::uint64_t end = std::min(size, (sectors[j] + 1) * v2::SectorSize);
            text += (text.empty() ? "bytes " : ", ") + number(sectors[i] * v2::SectorSize) + "-" +
                    number(end > 0 ? end - 1 : 0);
            i = j + 1;
        }
        return text;
    }
    const std::uint64_t dataStart = blocks.empty() ? size : blocks.front().offset;
    const std::uint64_t dataEnd =
        blocks.empty() ? v2::HeaderSize
                       : blocks.back().offset + v2::BlockHeaderSize + blocks.back().storedSize;
    bool header = false;
    bool index = false;
    std::set<std::uint64_t> hit;
    for (const std::uint64_t sector : sectors) {
        const std::uint64_t start = sector * v2::SectorSize;
        const std::uint64_t end = std::min(size, start + v2::SectorSize);
        header |= start < dataStart;
        index |= end > dataEnd;
        auto it =
            std::upper_bound(blocks.begin(), blocks.end(), start,
                             [](std::uint64_t at, const v2::Block& b) { return at < b.offset; });
        if (it != blocks.begin())
            --it;
        for (; it != blocks.end() && it->offset < end; ++it) {
            if (it->offset + v2::BlockHeaderSize + it->storedSize > start)
                hit.insert(static_cast<std::uint64_t>(it - blocks.begin()));
        }
    }
    std::string text = header ? "the header" : "";
    if (!hit.empty())
        text += (text.empty() ? "" : ", ") + std::string(hit.size() > 1 ? "blocks " : "block ") +
                ranges(hit) + " of " + number(blocks.size());
    if (index)
        text += (text.empty() ? "" : ", ") + std::string("the index");
    return text;
}

std::string recordsDamage(const v2::Damage& damage) {
    std::string text;
    if (!damage.parity.empty())
        text = number(damage.parity.size()) + " parity sector(s)";
    if (damage.tableDamaged)
        text += (text.empty() ? "" : ", ") + std::string("a copy of their checksums");
    if (damage.headDamaged)
        text += (text.empty() ? "" : ", ") + std::string("a copy of their head");
    return text;
}

// The archive's own bytes, repaired, then new records, in place of the file.
void repairFile(const Options& options, ArchiveFile& file) {
    const std::string target = writeTarget(options.archive);
    struct stat info {};
    const mode_t mode =
        ::stat(target.c_str(), &info) == 0 ? (info.st_mode & 07777) : defaultFileMode();
    TempFile temp(target, options.write.workDirectory);
    if (!file.copy(0, file.size(), [&](const char* data, size_t size) { temp.write(data, size); }))
        throw JarError(ExitCrc,
                       "cannot read \"" + options.archive + "\" to repair it; it is unchanged");
    temp.flush();
    Fd written(::open(temp.path().c_str(), O_RDWR | O_CLOEXEC));
    if (!written.valid())
        throw JarError(ExitWrite,
                       "cannot repair \"" + options.archive + "\": " + std::strerror(errno));
    v2::writeRecords(written.get(), file.size());
    temp.commit(mode);
}

} // namespace

int finishRecovery(bool report) {
    if (report) {
        for (const std::string& line : said)
            Console::instance().error() << line;
    }
    said.clear();
    const int code = recordsOutcome;
    recordsOutcome = ExitSuccess;
    return code;
}

void useRecoveryRecords(const Options& options, std::optional<ArchiveFile>& file) {
    const bool testing = options.command == "t";
    const bool inMemory = options.useRecords || options.command == "rh";
    if (!testing && !inMemory && !options.repairArchive)
        return;
    Console& console = Console::instance();
    if (!file->records()) {
        // A file that ends in no footer may still hold a copy of their head.
        char end[8] = {};
        const bool footer =
            file->fileSize() >= 8 && file->readRaw(file->fileSize() - 8, end, 8) &&
            (std::memcmp(end, v2::FooterMagic, 8) == 0 || std::memcmp(end, FooterMagic, 8) == 0);
        if (!footer)
            file->findRecords(true);
    }
    if (!file->records()) {
        if (options.useRecords || options.repairArchive)
            console.out() << "No recovery records were found in \"" << options.archive << "\"";
        return;
    }
    const v2::RecordLayout layout = *file->records();
    ArchiveFile& archive = *file;
    v2::RecoveryRecords records(
        [&archive](std::uint64_t offset, char* buffer, size_t size) {
            return archive.readRaw(offset, buffer, size);
        },
        layout);
    if (console.statusDue())
        console.status("Checking the recovery records");
    const v2::Damage damage = records.check();
    const std::string capacity = "they repair up to " + number(layout.parityRows) +
                                 " damaged 4 KiB sectors in each of " + number(layout.stripes) +
                                 " stripe(s) of " + number(layout.rows + layout.parityRows);
    if (damage.clean()) {
        if (testing)
            console.out() << "Recovery records: no damage found (" << capacity << ")";
        return;
    }
    const std::map<std::uint64_t, std::string> rebuilt = records.rebuild(damage);
    std::vector<std::uint64_t> left;
    for (const std::uint64_t sector : damage.data) {
        if (rebuilt.count(sector) == 0)
            left.push_back(sector);
    }
    // Placed by the index as repaired, as far as it can be.
    file->patch(rebuilt);
    const std::string where = describe(*file, damage.data);
    const std::string unrepaired = left.empty() ? "" : describe(*file, left);
    if (!damage.data.empty())
        say("Damaged: " + where + " (" + number(damage.data.size()) + " of " +
            number(layout.sectors) + " sectors)");
    const std::string ownDamage = recordsDamage(damage);
    if (!ownDamage.empty())
        say("Damaged: the recovery records themselves (" + ownDamage + ")");
    if (!left.empty())
        say("The recovery records cannot repair " + unrepaired + ": " + number(damage.lost.size()) +
            " stripe(s) have more damage than the " + number(layout.parityRows) +
            " sectors they can rebuild");
    const int after = left.empty() ? ExitWarning : ExitCrc;
    if (options.repairArchive && left.empty()) {
        repairFile(options, *file);
        file.emplace(options.archive);
        say("Repaired \"" + options.archive + "\" from its recovery records" +
            (damage.data.empty() ? ": they were rewritten" : ": " + where));
        recordsOutcome = std::max(recordsOutcome, ExitWarning);
        return;
    }
    if (options.repairArchive)
        say("\"" + options.archive + "\" was not changed");
    if (inMemory) {
        if (!damage.data.empty() && rebuilt.size() > 0)
            say(std::string(left.empty() ? "Repaired" : "Partly repaired") +
                " in memory from the recovery records: " + describe(*file, [&] {
                    std::vector<std::uint64_t> done;
                    for (const auto& [sector, bytes] : rebuilt)
                        done.push_back(sector);
                    return done;
                }()));
        recordsOutcome = std::max(recordsOutcome, after);
        return;
    }
    file->patch({});
    if (left.empty() && !damage.data.empty())
        say("The recovery records can repair all of it: -hx reads the archive repaired, -jr "
            "repairs the file");
    else if (left.empty())
        say("The archive itself is whole; -jr rewrites its recovery records");
    recordsOutcome =
        std::max(recordsOutcome, damage.data.empty() && left.empty() ? ExitWarning : ExitCrc);
}

} // namespace brak::jar

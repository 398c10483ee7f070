#include "ForeignCommands.h"

#include "Console.h"
#include "ForeignArchive.h"
#include "cli/CommandLine.h"
#include "commands/Support.h"

#include <archive_entry.h>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace brak::jar {

namespace fs = std::filesystem;
using namespace foreign;

namespace {

// What the switches ask of a foreign archive.
struct Settings {
    int level = 2;
    bool encrypt = false;
};

Settings checkSwitches(const Options& options, const std::string& format) {
    static const std::pair<const char*, const char*> meaningless[] = {
        {"hy", "security envelope"},
        {"he", "security envelope"},
        {"hk", "recovery records"},
        {"hx", "recovery records"},
        {"jx", "hidden contents"},
        {"js", "chapters"},
        {"jl", "locks"},
        {"hz", "chapter comments"},
        {"jz", "file comments"},
        {"z", "archive comment"},
        {"hg", "authentication"}, // -hg0, and -hg when it means -hg0
        {"np", "a new password"},
        {"jr", "recovery of Jar's index"}};
    // The Advanced selection and volumes are built for Jar's own archives only.
    const Selection& selection = options.selection;
    const char* advanced = selection.after || selection.before ? "date selection (-ta, -tb, -to)"
                           : selection.chapters                ? "chapter ranges (-jc)"
                           : !selection.excludeMasks.empty() || !selection.excludeLists.empty()
                               ? "exclusion (-x)"
                           : options.volumes.active() ? "volumes (-v, -va)"
                                                      : nullptr;
    if (advanced != nullptr)
        throw JarError(ExitBadParameters, std::string(advanced) + " is not available for a " +
                                              format + " archive yet; nothing was done");
    Settings settings;
    for (const std::string& body : options.switches) {
        if (body.size() == 2 && body[0] == 'm' && body[1] >= '1' && body[1] <= '4') {
            settings.level = body[1] - '0';
            continue;
        }
        if (body == "hg1" || (body == "hg" && options.encrypt) || body == "p" ||
            body.rfind("pfd", 0) == 0) {
            settings.encrypt = true;
            continue;
        }
        for (const auto& [prefix, what] : meaningless) {
            if (body.rfind(prefix, 0) == 0)
                throw JarError(ExitBadParameters, "the switch -" + body + " (" + what +
                                                      ") has no meaning for a " + format +
                                                      " archive; nothing was done");
        }
    }
    return settings;
}

bool isWriting(const std::string& command) {
    return command == "a" || command == "u" || command == "f" || command == "m" || command == "d" ||
           command == "da";
}

mode_t archiveMode(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 0777) : defaultFileMode();
}

// The size of an entry whose header does not give it is counted.
std::uint64_t sizeOf(ForeignReader& reader, const ForeignEntry& entry) {
    if (entry.sizeKnown || entry.type != ForeignEntry::Type::File || entry.encrypted)
        return entry.size;
    std::uint64_t size = 0;
    std::string problem;
    reader.readData([&size](const char*, size_t piece) { size += piece; }, problem);
    return size;
}

int listArchive(const Options& options, const std::string& format) {
    Console& console = Console::instance();
    ForeignReader reader(options.archive);
    const auto masks = masksOf(options);
    const bool verbose = options.command == "v";
    const bool names = options.command == "ls";
    console.out() << "Archive " << highlighted(options.archive) << " (" << format
                  << "), 1 chapter(s)";
    if (!names)
        console.out() << "       Size Modified            Attr  Name";
    std::uint64_t total = 0;
    size_t count = 0;
    ForeignEntry entry;
    while (reader.next(entry)) {
        if (entry.name.empty() || !matchesMember(entry.name, masks))
            continue;
        if (names) {
            ++count;
            console.out() << highlighted(entry.name);
            continue;
        }
        const std::uint64_t size = sizeOf(reader, entry);
        ++count;
        total += size;
        std::string columns = padLeft(std::to_string(size), 11) + ' ';
        appendTime(columns, entry.times.modified);
        columns += ' ' + attributeLetters(entry.attributes) + "  ";
        Message line = console.out();
        line << columns << highlighted(entry.name);
        if (verbose && !entry.linkTarget.empty())
            line << " -> " << entry.linkTarget;
        if (verbose && entry.encrypted)
            line << " (encrypted)";
    }
    if (names)
        console.out() << count << " file(s)";
    else
        console.out() << padLeft(std::to_string(total), 11) << " bytes in " << count << " file(s)";
    return reader.warnings() > 0 ? ExitWarning : ExitSuccess;
}

// The technical listing: one chapter holding every entry.
int writeDump(const Options& options) {
    const std::string& dumpName = options.names.front();
    struct stat archiveInfo {};
    struct stat dumpInfo {};
    if (::stat(options.archive.c_str(), &archiveInfo) == 0 &&
        ::stat(dumpName.c_str(), &dumpInfo) == 0 && archiveInfo.st_dev == dumpInfo.st_dev &&
        archiveInfo.st_ino == dumpInfo.st_ino)
        throw JarError(ExitBadParameters, "the dump file would overwrite the archive");
    ForeignReader reader(options.archive);
    TempFile dump(writeTarget(dumpName));
    std::string text;
    auto number = [&text](std::uint64_t value) {
        char digits[24];
        text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    };
    auto line = [&text](std::string_view key) {
        text += "\r\n";
        text += key;
        text += '=';
    };
    const std::int64_t time = archiveInfo.st_mtim.tv_sec;
    text += "ARCHIVE=" + visible(fs::absolute(options.archive).lexically_normal().string());
    line("  FLAGS");
    text += '0';
    line("  CREATED");
    appendTime(text, time);
    line("  MODIFIED");
    appendTime(text, time);
    for (const char* key :
         {"  VERSIONUSED", "  VERSIONTOUPDATE", "  VERSIONTOEXTRACT", "  VERSIONTOLIST"}) {
        line(key);
        text += "0000";
    }
    line("  MAXCHAPTER");
    text += '1';
    line("CHAPTER");
    text += '1';
    line("  CREATED");
    appendTime(text, time);
    line("  MODIFIED");
    appendTime(text, time);
    line("  FLAGS");
    text += '0';
    ForeignEntry entry;
    while (reader.next(entry)) {
        if (entry.name.empty())
            continue;
        line("FILE");
        text += visible(entry.name);
        line("  CREATED");
        appendTime(text, entry.times.created);
        line("  MODIFIED");
        appendTime(text, entry.times.modified);
        line("  LASTACCESS");
        appendTime(text, entry.times.accessed);
        line("  SIZE");
        number(sizeOf(reader, entry));
        line("  CHAPTERSRANGE");
        text += "1-1";
        line("  ATTRIBUTES");
        number(entry.attributes);
        if (text.size() >= 1024 * 1024) {
            dump.write(text);
            text.clear();
        }
    }
    text += "\r\n";
    dump.write(text);
    dump.commit(defaultFileMode(), false);
    Console::instance().out() << "Technical listing written to " << highlighted(dumpName);
    return ExitSuccess;
}

int testArchive(const Options& options) {
    Console& console = Console::instance();
    ForeignReader reader(options.archive);
    const auto masks = masksOf(options);
    Outcome outcome;
    size_t tested = 0;
    size_t failed = 0;
    ForeignEntry entry;
    while (reader.next(entry)) {
        if (entry.type != ForeignEntry::Type::File || !matchesMember(entry.name, masks))
            continue;
        ++tested;
        console.beginItem({{Tone::Normal, "Testing "}, highlighted(entry.name)});
        std::uint64_t done = 0;
        std::string problem;
        const bool good = reader.readData(
            [&](const char*, size_t size) {
                done += size;
                console.itemProgress(done, entry.size);
            },
            problem);
        console.endItem(good ? " OK" : " " + problem, good ? Tone::Normal : Tone::Error);
        if (!good) {
            ++failed;
            outcome.raise(ExitCrc);
        }
    }
    if (tested == 0) {
        console.out() << "No file matches.";
        outcome.raise(ExitWarning);
    }
    console.out() << tested << " file(s) tested, " << failed << " with errors";
    if (reader.warnings() > 0)
        outcome.raise(ExitWarning);
    return outcome.code();
}

std::string parentOf(const std::string& name) {
    const size_t slash = name.rfind('/');
    return slash == std::string::npos ? std::string() : name.substr(0, slash);
}

int extractFiles(const Options& options) {
    Console& console = Console::instance();
    ForeignReader reader(options.archive);
    const auto masks = masksOf(options);
    const std::string base = options.output.value_or("");
    if (!base.empty()) {
        std::error_code error;
        fs::create_directories(base, error);
        if (error)
            throw JarError(ExitWrite,
                           "cannot create the directory \"" + base + "\": " + error.message());
    }
    const bool withPath = options.command == "x";
    const mode_t umask = [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return mask;
    }();
    Outcome outcome;
    Prompt query(options.yes);
    Prompt overwrite(options.yes, true);
    std::unordered_set<std::string> directories;
    size_t matched = 0;
    size_t extracted = 0;
    bool stopped = false;
    ForeignEntry entry;
    while (!stopped && reader.next(entry)) {
        if ((entry.name.empty() && entry.type == ForeignEntry::Type::Directory) ||
            !matchesMember(entry.name, masks))
            continue;
        ++matched;
        using Type = ForeignEntry::Type;
        if (!isSafeStoredName(entry.name) ||
            (entry.type == Type::Hardlink && !isSafeStoredName(entry.linkTarget))) {
            console.error() << "Refused " << highlighted(entry.name)
                            << ": it would be written outside the target directory";
            outcome.raise(ExitFatal);
            continue;
        }
        if (entry.type == Type::Other) {
            console.error() << "Skipped " << highlighted(entry.name)
                            << ": devices and FIFOs are never created";
            outcome.raise(ExitWarning);
            continue;
        }
        if (!withPath && entry.type != Type::File)
            continue;
        const std::string target = joinPath(base, withPath ? entry.name : baseName(entry.name));
        if (options.query && query.ask("Extract " + entry.name + "?") != Answer::Yes)
            continue;
        try {
            if (entry.type == Type::Directory) {
                makeDirectories(base, entry.name, directories);
                continue;
            }
            if (withPath)
                makeDirectories(base, parentOf(entry.name), directories);
            struct stat info {};
            const bool exists = ::lstat(target.c_str(), &info) == 0;
            if (exists) {
                if (S_ISDIR(info.st_mode))
                    throw JarError(ExitWrite, "\"" + target + "\" is a directory");
                const Overwriting choice = askOverwrite(options, overwrite, target);
                if (choice == Overwriting::Stop) {
                    stopped = true;
                    break;
                }
                if (choice == Overwriting::Skip)
                    continue;
            }
            if (entry.type == Type::Symlink || entry.type == Type::Hardlink) {
                if (exists)
                    ::unlink(target.c_str());
                const bool made =
                    entry.type == Type::Symlink
                        ? ::symlink(entry.linkTarget.c_str(), target.c_str()) == 0
                        : ::link(joinPath(base, entry.linkTarget).c_str(), target.c_str()) == 0;
                if (!made)
                    throw JarError(ExitWrite, "cannot make the link \"" + target +
                                                  "\": " + std::strerror(errno));
                console.out() << "Linking    " << highlighted(entry.name);
                ++extracted;
                continue;
            }
            console.beginItem({{Tone::Normal, "Extracting "}, highlighted(entry.name)});
            HoleyFile temp(target);
            std::string problem;
            if (!reader.readBlocks(
                    [&](std::uint64_t offset, const char* data, size_t size) {
                        temp.write(offset, data, size);
                        console.itemProgress(offset + size, entry.size);
                    },
                    problem)) {
                console.endItem();
                throw JarError(ExitCrc, "\"" + entry.name + "\" was not extracted: " + problem);
            }
            temp.commit(entry.size, entry.times, entry.permissions & 0777 & ~umask, exists);
            console.endItem();
            ++extracted;
        } catch (const JarError& error) {
            if (error.code() == ExitInterrupted || reader.passwordRefused())
                throw;
            console.error() << error.what();
            outcome.raise(error.code());
        }
    }
    if (stopped) {
        console.error() << "Stopped by the user.";
        outcome.raise(ExitWarning);
    } else if (matched == 0) {
        console.out() << "No file matches.";
        outcome.raise(ExitWarning);
    }
    console.out() << extracted << " file(s) extracted";
    if (reader.warnings() > 0)
        outcome.raise(ExitWarning);
    return outcome.code();
}

// What an archive holds before it is rewritten: the stored names with their
// times, and the password of its encrypted entries, asked for once here so
// that the new archive can be written with it.
struct Scan {
    std::unordered_map<std::string, std::int64_t> modified;
    std::optional<Secret> password;
    bool encrypted = false;
};

Scan scanArchive(const std::string& path) {
    Scan scan;
    ForeignReader reader(path);
    ForeignEntry entry;
    bool checked = false;
    while (reader.next(entry)) {
        scan.modified[entry.name] = entry.times.modified;
        if (entry.encrypted && !checked) {
            std::string problem;
            if (!reader.readData([](const char*, size_t) {}, problem))
                throw JarError(ExitCrc, "\"" + entry.name + "\" cannot be read: " + problem +
                                            "; the archive is unchanged");
            checked = true;
        }
    }
    scan.encrypted = reader.anyEncrypted() || reader.password() != nullptr;
    if (const Secret* password = reader.password()) {
        scan.password.emplace(copyOf(*password));
    }
    return scan;
}

// The password a rewritten archive is written with: the one it was read with,
// or a new one for Encrypt. A format that cannot be encrypted never receives
// the entries of an encrypted archive.
const Secret* writePassword(const Scan& scan, const Settings& settings, WriteFormat format,
                            const std::string& name, std::optional<Secret>& fresh) {
    if (!settings.encrypt && !scan.encrypted)
        return nullptr;
    if (format != WriteFormat::Zip)
        throw JarError(ExitBadParameters,
                       "a " + writeFormatName(format) + " archive cannot be written encrypted" +
                           (settings.encrypt ? "" : ", and the entries read are encrypted") +
                           "; nothing was done");
    if (scan.password)
        return &*scan.password;
    fresh = askNewPassword(name);
    if (!fresh)
        throw JarError(ExitFatal, "no password was given; nothing was done");
    return &*fresh;
}

// Copies the entries of the old archive that `keep` accepts.
void copyEntries(ForeignReader& reader, ForeignWriter& writer,
                 const std::function<bool(const ForeignEntry&)>& keep, bool tar) {
    ForeignEntry entry;
    std::unordered_set<std::string> kept;
    while (reader.next(entry)) {
        if (!keep(entry))
            continue;
        // A hard link holds no data of its own: it needs the file it names,
        // stored before it, and a format that keeps links.
        if (entry.type == ForeignEntry::Type::Hardlink &&
            (!tar || kept.count(entry.linkTarget) == 0))
            throw JarError(ExitFatal, "\"" + entry.name + "\" is a hard link to \"" +
                                          entry.linkTarget +
                                          "\", which would not be kept; nothing was changed");
        kept.insert(entry.name);
        std::unique_ptr<archive_entry, void (*)(archive_entry*)> copy(
            archive_entry_clone(reader.current()), archive_entry_free);
        // The data comes whole, holes filled in.
        archive_entry_sparse_clear(copy.get());
        if (tar && entry.type == ForeignEntry::Type::File && !entry.sizeKnown)
            throw JarError(ExitFatal, "the size of \"" + entry.name +
                                          "\" is not known before its data; the archive is "
                                          "unchanged");
        writer.beginEntry(copy.get());
        if (entry.type == ForeignEntry::Type::File) {
            std::string problem;
            if (!reader.readData(
                    [&writer](const char* data, size_t size) { writer.write(data, size); },
                    problem))
                throw JarError(ExitCrc, "\"" + entry.name + "\" cannot be copied: " + problem +
                                            "; nothing was changed");
        }
        writer.endEntry();
    }
}

bool isTar(WriteFormat format) {
    return format != WriteFormat::Zip && format != WriteFormat::SevenZip;
}

bool isWanted(const Options& options, const std::int64_t* current, std::int64_t modified) {
    if (options.newOnly && current != nullptr)
        return false;
    if (options.addMode == AddMode::All)
        return true;
    if (current == nullptr)
        return options.addMode == AddMode::Update;
    return options.different ? modified != *current : modified > *current;
}

int addFiles(const Options& options, WriteFormat format, bool exists, const Settings& settings) {
    Console& console = Console::instance();
    Outcome outcome;
    Scan scan;
    if (exists)
        scan = scanArchive(options.archive);
    const auto sources =
        collectSources(masksOf(options), options.recurse, options.archive, outcome);
    Prompt query(options.yes);
    std::vector<const SourceFile*> wanted;
    std::unordered_set<std::string> replaced;
    for (const SourceFile& source : sources) {
        throwIfInterrupted();
        const auto found = scan.modified.find(source.storedName);
        const std::int64_t* current = found == scan.modified.end() ? nullptr : &found->second;
        if (!isWanted(options, current, source.times.modified) ||
            (options.query && query.ask("Add " + source.storedName + "?") != Answer::Yes))
            continue;
        wanted.push_back(&source);
        if (current != nullptr)
            replaced.insert(source.storedName);
    }
    if (wanted.empty()) {
        console.out() << (exists ? "Nothing to add; the archive is unchanged."
                                 : "Nothing to add; no archive was created.");
        if (!exists)
            outcome.raise(ExitWarning);
        return outcome.code();
    }
    std::optional<Secret> fresh;
    const Secret* password = writePassword(scan, settings, format, options.archive, fresh);
    const mode_t mode = archiveMode(options.archive);
    ForeignWriter writer(writeTarget(options.archive), format, settings.level, password);
    if (exists) {
        ForeignReader reader(options.archive, scan.password ? &*scan.password : nullptr);
        copyEntries(
            reader, writer, [&](const ForeignEntry& entry) { return !replaced.count(entry.name); },
            isTar(format));
    }
    std::vector<std::string> stored;
    for (const SourceFile* source : wanted) {
        console.beginItem(
            {{Tone::Normal, replaced.count(source->storedName) ? "Replacing " : "Adding    "},
             highlighted(source->storedName)});
        std::string problem;
        const bool good = writer.addFile(*source, problem, [&](std::uint64_t done) {
            console.itemProgress(done, source->size);
        });
        console.endItem();
        if (good) {
            stored.push_back(source->path);
        } else {
            console.error() << "Cannot read \"" << source->path << "\": " << problem
                            << (problem.find("shorter") != std::string::npos
                                    ? "; its end was stored as zeros"
                                    : "; skipped");
            outcome.raise(ExitWarning);
        }
    }
    writer.commit(mode);
    console.out() << stored.size() << " file(s) stored in " << highlighted(options.archive) << " ("
                  << writeFormatName(format) << ")";
    if (options.command == "m") {
        Prompt deletion(options.yes || !options.queryDelete);
        for (const std::string& path : stored) {
            throwIfInterrupted();
            if (deletion.ask("Delete " + path + "?") != Answer::Yes)
                continue;
            if (::unlink(path.c_str()) != 0) {
                console.error() << "Cannot delete \"" << path << "\": " << std::strerror(errno);
                outcome.raise(ExitWarning);
            }
        }
    }
    return outcome.code();
}

int deleteFiles(const Options& options, WriteFormat format, const Settings& settings) {
    Console& console = Console::instance();
    const auto masks = masksOf(options);
    Scan scan = scanArchive(options.archive);
    size_t matched = 0;
    for (const auto& [name, time] : scan.modified)
        matched += matchesMember(name, masks) ? 1 : 0;
    if (matched == 0) {
        console.out() << "No file matches; the archive is unchanged.";
        return ExitWarning;
    }
    std::optional<Secret> fresh;
    const Secret* password = writePassword(scan, settings, format, options.archive, fresh);
    const mode_t mode = archiveMode(options.archive);
    ForeignWriter writer(writeTarget(options.archive), format, settings.level, password);
    ForeignReader reader(options.archive, scan.password ? &*scan.password : nullptr);
    Prompt query(options.yes);
    size_t deleted = 0;
    copyEntries(
        reader, writer,
        [&](const ForeignEntry& entry) {
            if (!matchesMember(entry.name, masks) ||
                (options.query && query.ask("Delete " + entry.name + "?") != Answer::Yes))
                return true;
            console.out() << "Deleting  " << highlighted(entry.name);
            ++deleted;
            return false;
        },
        isTar(format));
    if (deleted == 0)
        return ExitSuccess;
    writer.commit(mode);
    console.out() << deleted << " file(s) deleted";
    return ExitSuccess;
}

// y: the same entries in another format.
int copyArchive(const Options& options, const Settings& settings) {
    Console& console = Console::instance();
    if (options.names.size() != 1 || options.names[0].empty())
        throw JarError(ExitBadParameters, "y needs the archive and the name of the new archive");
    const std::string& target = options.names[0];
    const WriteFormat format = writeFormatForName(target);
    if (format == WriteFormat::None)
        throw JarError(ExitBadParameters,
                       "name the new archive .zip, .7z, .tar, .tar.gz, .tgz, .tar.xz, .tar.zst "
                       "or .tar.bz2; nothing was done");
    struct stat from {};
    struct stat to {};
    if (::stat(target.c_str(), &to) == 0) {
        if (::stat(options.archive.c_str(), &from) == 0 && from.st_dev == to.st_dev &&
            from.st_ino == to.st_ino)
            throw JarError(ExitBadParameters, "the new archive would overwrite the old one");
        if (Prompt(options.yes).ask(target + " exists. Overwrite it?") != Answer::Yes) {
            console.out() << "Nothing was copied.";
            return ExitWarning;
        }
    }
    Scan scan = scanArchive(options.archive);
    std::optional<Secret> fresh;
    const Secret* password = writePassword(scan, settings, format, target, fresh);
    ForeignWriter writer(writeTarget(target), format, settings.level, password);
    ForeignReader reader(options.archive, scan.password ? &*scan.password : nullptr);
    size_t copied = 0;
    copyEntries(
        reader, writer,
        [&](const ForeignEntry& entry) {
            console.out() << "Copying   " << highlighted(entry.name);
            ++copied;
            return true;
        },
        isTar(format));
    writer.commit(defaultFileMode());
    console.out() << copied << " entries copied into " << highlighted(target) << " ("
                  << writeFormatName(format) << ")";
    return ExitSuccess;
}

} // namespace

std::optional<int> runForeignCommand(const Options& options) {
    struct stat info {};
    // An empty file named like a new archive (made by mktemp, say) is one.
    const bool exists = ::stat(options.archive.c_str(), &info) == 0 &&
                        !(info.st_size == 0 && S_ISREG(info.st_mode) &&
                          writeFormatForName(options.archive) != WriteFormat::None);
    std::string format;
    WriteFormat writable = WriteFormat::None;
    if (exists) {
        const auto detected = detectForeign(options.archive);
        if (!detected && options.command == "y" && !options.names.empty() &&
            writeFormatForName(options.names.front()) != WriteFormat::None)
            throw JarError(ExitBadParameters,
                           "a Jar archive cannot be copied into another format yet (\"" +
                               options.names.front() + "\"); nothing was done");
        if (!detected)
            return std::nullopt;
        format = detected->name;
        writable = detected->writable;
    } else {
        writable = writeFormatForName(options.archive);
        if (writable == WriteFormat::None)
            return std::nullopt;
        format = writeFormatName(writable);
    }
    // Names inside the archives and on the disk are UTF-8.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    const std::string& command = options.command;
    const Settings settings = checkSwitches(options, format);
    const bool adding = command == "a" || command == "u" || command == "f" || command == "m";
    if (!exists && !adding)
        throw JarError(ExitCannotOpen,
                       "cannot open \"" + options.archive + "\": it does not exist");
    if ((isWriting(command)) && writable == WriteFormat::None)
        throw JarError(ExitBadParameters, "a " + format +
                                              " archive is only read here; write it into "
                                              "another format with y");
    if (settings.encrypt && isWriting(command) && writable != WriteFormat::Zip)
        throw JarError(ExitBadParameters,
                       "a " + format + " archive cannot be written encrypted; nothing was done");
    if (adding)
        return addFiles(options, writable, exists, settings);
    if (command == "d")
        return deleteFiles(options, writable, settings);
    if (command == "da") {
        Options all = options;
        all.names.clear();
        return deleteFiles(all, writable, settings);
    }
    if (command == "l" || command == "v" || command == "ls")
        return listArchive(options, format);
    if (command == "lc") {
        Console::instance().out() << "Archive " << highlighted(options.archive) << " (" << format
                                  << ") has one chapter, which holds all of its files.";
        return ExitSuccess;
    }
    if (command == "lt")
        return writeDump(options);
    if (command == "t")
        return testArchive(options);
    if (command == "e" || command == "x")
        return extractFiles(options);
    if (command == "y")
        return copyArchive(options, settings);
    throw JarError(ExitBadParameters, "the command \"" + command + "\" has no meaning for a " +
                                          format +
                                          " archive (it has no chapters, locks, envelopes or "
                                          "comments here); nothing was done");
}

} // namespace brak::jar

#include "cli/Switches.h"

#include "Common.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <ctime>
#include <sys/stat.h>

namespace brak::jar {

namespace {

constexpr std::array<std::string_view, 20> Letters = {"a",  "ac", "c",  "d",  "da", "dc", "e",
                                                      "f",  "l",  "lc", "ls", "lt", "m",  "rh",
                                                      "sl", "t",  "u",  "v",  "x",  "y"};

using CommandSet = std::uint32_t;

constexpr CommandSet bit(std::string_view letter) {
    for (size_t i = 0; i < Letters.size(); ++i) {
        if (Letters[i] == letter)
            return CommandSet{1} << i;
    }
    return 0;
}
constexpr CommandSet set(std::initializer_list<std::string_view> letters) {
    CommandSet result = 0;
    for (std::string_view letter : letters)
        result |= bit(letter);
    return result;
}

constexpr CommandSet Adding = set({"a", "ac", "u", "f", "m"});
constexpr CommandSet Extracting = set({"e", "x"});
// Commands that write the archive.
constexpr CommandSet Writing = Adding | set({"c", "d", "da", "dc", "rh", "y"});
// Commands that take archive members by masks.
constexpr CommandSet Members = set({"d", "e", "x", "t", "l", "v", "ls"});
constexpr CommandSet All = (CommandSet{1} << Letters.size()) - 1;

enum class Value {
    None,
    Directory,
    File,
    Comment,
    Date,       // -ta, -tb: empty for today, or "YYYYMMDDHHMMSS"
    Days,       // -to<N>
    Chapters,   // -jc<from>-<to>
    Exclude,    // -x"mask", -x!"list"
    Kinds,      // -jy<letters>
    Size,       // -v<kilobytes>
    Command,    // -vc"command", -ve"command"
    Descriptor, // -pfd<n>, -npfd<n>
};

using Apply = void (*)(Options&);

struct Row {
    std::string_view name; // without the hyphen, in lower case
    Treatment treatment;
    CommandSet commands;
    std::string_view meaning; // the reason, for a refused switch
    Apply apply = nullptr;
    Value value = Value::None;
};

// Commands that read an existing archive of Jar's own.
constexpr CommandSet Reading = All & ~bit("sl");
constexpr std::string_view NoShortNames = "Linux has no short 8.3 names";
// Commands that take files by time and by name.
constexpr CommandSet Selecting = Adding | Members | set({"da", "sl"});
// Commands whose written archive may be split into volumes.
constexpr CommandSet Splitting = Adding | set({"c", "d", "da", "dc", "rh", "y"});

// Every switch of the catalogue, in the order the front-end writes them.
const Row Table[] = {
    {"hy", Treatment::Acted, Writing,
     "seal the archive in a security envelope (a BLAKE2b hash of all of it, keyed with the "
     "password when there is one): chapters get flag E, and nothing changes it any more",
     [](Options& o) { o.seal = true; }},
    {"he", Treatment::Acted, All, "t does not test the security envelope",
     [](Options& o) { o.skipSeal = true; }},
    {"y", Treatment::Acted, All, "assume yes to every question", [](Options& o) { o.yes = true; }},
    {"r", Treatment::Acted, Adding | Members | bit("sl"),
     "adding and scanning: recurse into subdirectories; in an archive a mask without \"/\" "
     "matches in every directory anyway",
     [](Options& o) { o.recurse = true; }},
    {"q", Treatment::Acted, Adding | Extracting | bit("d"), "ask before each file",
     [](Options& o) { o.query = true; }},
    {"d", Treatment::Acted, set({"m", "d"}),
     "ask before each deletion (m: of a source file moved into the archive)",
     [](Options& o) { o.queryDelete = true; }},
    {"n", Treatment::Acted, Adding | Extracting,
     "adding: only files not yet in the archive; extracting: never replace a file",
     [](Options& o) { o.newOnly = true; }},
    {"ha", Treatment::Acted, Extracting | bit("m"),
     "replace read-only files when extracting and delete read-only sources when moving "
     "(without it they are kept, with a warning)",
     [](Options& o) { o.ignoreReadOnly = true; }},
    {"hl", Treatment::Acted, Adding | Members | bit("sl"),
     "a mask that matches nothing is a warning (exit code 1)",
     [](Options& o) { o.warnUnused = true; }},
    {"jf", Treatment::Acted, Adding, "store each file under its full path, from /",
     [](Options& o) { o.fullPath = true; }},
    {"jr", Treatment::Acted, Reading,
     "repair the archive file from its recovery records (through a temporary copy) before the "
     "command",
     [](Options& o) { o.repairArchive = true; }},
    {"hk", Treatment::Acted, Writing,
     "add recovery records: at most 6% more from 4 MB up, repairing one run of damage up to 5% "
     "of the archive anywhere, or 12 damaged 4 KiB sectors",
     [](Options& o) { o.write.recoveryRecords = true; }},
    {"hx", Treatment::Acted, Reading,
     "use the recovery records: damage is repaired in memory while reading (exit code 1)",
     [](Options& o) { o.useRecords = true; }},
    {"jx", Treatment::Acted, Writing,
     "hide the contents: the index is encrypted too, so listing asks for the password (with "
     "-hg1)",
     [](Options& o) { o.hide = true; }},
    {"ho", Treatment::Mapped, bit("x"),
     "a backslash in a stored name is a directory separator when extracting",
     [](Options& o) { o.translatePaths = true; }},
    {"jt", Treatment::Acted, Writing, "test the new archive before it replaces the old one",
     [](Options& o) { o.write.testBeforeReplace = true; }},
    {"f1", Treatment::Acted, Adding | Extracting, "freshen: only files already there, when newer",
     [](Options& o) { o.addMode = AddMode::Freshen, o.different = false; }},
    {"f2", Treatment::Acted, Adding | Extracting,
     "freshen: only files already there, when their time differs",
     [](Options& o) { o.addMode = AddMode::Freshen, o.different = true; }},
    {"b1", Treatment::Mapped, Adding,
     "record the archive attribute of the files added as set (Linux files have no such bit)",
     [](Options& o) { o.archiveBit = true; }},
    {"b0", Treatment::Mapped, Adding, "record the archive attribute of the files added as clear",
     [](Options& o) { o.archiveBit = false; }},
    {"u1", Treatment::Acted, Adding | Extracting, "update: new files, and files that are newer",
     [](Options& o) { o.addMode = AddMode::Update, o.different = false; }},
    {"u2", Treatment::Acted, Adding | Extracting, "update: new files, and files whose time differs",
     [](Options& o) { o.addMode = AddMode::Update, o.different = true; }},
    {"hg", Treatment::Acted, Writing,
     "authenticate or encrypt, as DefaultAccessProtection of the configuration file says "
     "(Authenticate, the default: -hg0; GOST v1.01: -hg1)",
     [](Options& o) { o.accessDefault = true; }},
    {"hg0", Treatment::Acted, Writing,
     "authenticate: a BLAKE2b tag keyed with an Argon2id key from the password covers the whole "
     "archive; every reading command checks it",
     [](Options& o) { o.authenticate = true; }},
    {"hg1", Treatment::Acted, Writing,
     "encrypt: zip archives get AES-256, Jar's own archives XChaCha20-Poly1305 with an Argon2id "
     "key",
     [](Options& o) { o.encrypt = true; }},
    {"ht0", Treatment::Acted, Adding | bit("y"), "check each file stored by its CRC-32",
     [](Options& o) { o.write.checkStored = WriteSettings::Check::Crc; }},
    {"ht1", Treatment::Acted, Adding | bit("y"),
     "check each file stored by comparing it with its source",
     [](Options& o) { o.write.checkStored = WriteSettings::Check::Compare; }},
    {"s", Treatment::Acted, Writing, "the archive file gets the time of its newest file",
     [](Options& o) { o.stamp = ArchiveStamp::NewestFile; }},
    {"s1", Treatment::Acted, Writing, "the archive file keeps the time it had",
     [](Options& o) { o.stamp = ArchiveStamp::Original; }},
    {"ju-", Treatment::Acted, Adding, "add files in the order they are found",
     [](Options& o) { o.sort = SortOrder::AsFound; }},
    {"ju0", Treatment::Acted, Adding, "add files in the order of their names",
     [](Options& o) { o.sort = SortOrder::Name; }},
    {"ju1", Treatment::Acted, Adding, "add files in the order of their extensions, then names",
     [](Options& o) { o.sort = SortOrder::Extension; }},
    {"js-", Treatment::Acted, Writing, "compress every chapter again at the level chosen",
     [](Options& o) { o.write.recompress = true; }},
    {"js0", Treatment::Acted, Writing,
     "compress the files this command stores; earlier data is copied as it is (the default)",
     [](Options& o) { o.write.recompress = false; }},
    {"js1", Treatment::Refused, All,
     "leaving new files uncompressed is not available in this archive format"},
    {"jl", Treatment::Acted, Writing,
     "lock the archive: no command changes its chapters or adds one (flag L)",
     [](Options& o) { o.lock = 0; }},
    {"jl1", Treatment::Acted, Writing,
     "lock the chapters there are (flag L); ac may still add new ones",
     [](Options& o) { o.lock = 1; }},
    {"jl2", Treatment::Acted, Writing,
     "auto-lock: each chapter is locked (flag L) once it is written",
     [](Options& o) { o.lock = 2; }},
    {"m1", Treatment::Acted, Writing,
     "compression Fast (commands that store no new file compress the whole archive again)",
     [](Options& o) { o.write.level = 1, o.levelGiven = true; }},
    {"m2", Treatment::Acted, Writing, "compression Normal (the default)",
     [](Options& o) { o.write.level = 2, o.levelGiven = true; }},
    {"m3", Treatment::Acted, Writing, "compression Better",
     [](Options& o) { o.write.level = 3, o.levelGiven = true; }},
    {"m4", Treatment::Acted, Writing, "compression Best",
     [](Options& o) { o.write.level = 4, o.levelGiven = true; }},
    {"hf-", Treatment::Mapped, Adding | Extracting,
     "long names: names are stored and extracted as they are", [](Options&) {}},
    {"hf", Treatment::Mapped, Adding | Extracting,
     "long and short names: Linux has long names only, stored as they are", [](Options&) {}},
    {"hf1", Treatment::Refused, All, NoShortNames},
    {"hf2", Treatment::Refused, All, NoShortNames},
    {"hf3", Treatment::Refused, All, NoShortNames},
    {"o", Treatment::Acted, Extracting, "extract into <directory> (made when missing)", nullptr,
     Value::Directory},
    {"w", Treatment::Acted, Writing, "make the temporary archive in <directory>", nullptr,
     Value::Directory},
    {"l", Treatment::Acted, Adding | Members,
     "write the names of the files the command took to <file>, one a line", nullptr, Value::File},
    {"z", Treatment::Acted, Writing, "the archive's comment from <file>; NUL removes it", nullptr,
     Value::Comment},
    {"hz", Treatment::Acted, Writing,
     "the last chapter's comment (the new one for ac) from <file>; NUL removes it", nullptr,
     Value::Comment},
    {"jz", Treatment::Acted, Adding | bit("c"),
     "the comment of each file added (c: of each file named) from <file>; NUL removes it", nullptr,
     Value::Comment},
    {"jn", Treatment::Acted, Members,
     "each line of a !list file is one whole stored name, taken as it is: no wildcards, no match "
     "in other directories",
     [](Options& o) { o.literalLists = true; }},
    // The Advanced switches, in the order the front-end writes them.
    {"ta", Treatment::Acted, Selecting,
     "only files modified at or after today 00:00, or the local time given", nullptr, Value::Date},
    {"tb", Treatment::Acted, Selecting,
     "only files modified before today 00:00, or the local time given", nullptr, Value::Date},
    {"to", Treatment::Acted, Selecting, "only files modified at least <days> days (of 86400 s) ago",
     nullptr, Value::Days},
    {"jc", Treatment::Acted, set({"e", "x", "l", "v", "ls", "t", "dc"}),
     "work on chapters <from> to <to> (an empty side: the first or the last) instead of the "
     "last chapter; e and x take of a name the version of the highest chapter in the range",
     nullptr, Value::Chapters},
    {"x", Treatment::Acted, Selecting | bit("c"),
     "leave out files matching <mask>, or the names listed in <file> (rules of a !list)", nullptr,
     Value::Exclude},
    {"jy", Treatment::Acted, All,
     "answer yes to these kinds of question: c create directory, d delete file, k available "
     "space, n new file name, o overwrite file, r overwrite directory, v next volume "
     "(c, k, n and r are never asked: directories are made, a full disk is a write error, no "
     "name is asked, a directory is never replaced)",
     nullptr, Value::Kinds},
    {"va", Treatment::Acted, Splitting,
     "split the archive into volumes as large as the free space of its file system once it is "
     "written",
     [](Options& o) { o.volumes.automatic = true, o.volumes.size = 0; }},
    {"v", Treatment::Acted, Splitting,
     "split the archive into volumes of <kilobytes> KiB: name.001, name.002, ... after the first",
     nullptr, Value::Size},
    {"vt", Treatment::Acted, Splitting, "ask before each new volume (-jyv answers yes)",
     [](Options& o) { o.volumes.ask = true; }},
    {"vb", Treatment::Acted, Splitting, "ring the terminal bell before each new volume",
     [](Options& o) { o.volumes.beep = true; }},
    {"vc", Treatment::Acted, Splitting,
     "run <command> through /bin/sh before each new volume (JAR_VOLUME names it); a failure "
     "stops",
     nullptr, Value::Command},
    {"ve", Treatment::Acted, Splitting, "as -vc, showing the command first", nullptr,
     Value::Command},
    {"p", Treatment::Acted, All,
     "the password is asked on the terminal; adding to a new or plain archive encrypts it",
     [](Options& o) { o.password = true; }},
    {"pfd", Treatment::Acted, All,
     "the password is read from inherited descriptor <n> (a pipe) instead of the terminal; "
     "adding to a new or plain archive encrypts it",
     nullptr, Value::Descriptor},
    {"np", Treatment::Acted, Writing,
     "after the command, the archive it wrote gets a new password, asked twice on the terminal "
     "(a plain archive is encrypted); the current one comes from the terminal, -p or -pfd<n>",
     [](Options& o) { o.newPassword = NewPassword::Change; }},
    {"np-", Treatment::Acted, Writing,
     "after the command, the archive it wrote is decrypted: its password is removed",
     [](Options& o) { o.newPassword = NewPassword::Remove; }},
    {"npfd", Treatment::Acted, Writing,
     "as -np, the new password read from inherited descriptor <n> (a pipe)", nullptr,
     Value::Descriptor},
};

constexpr std::string_view AttributeMeaning =
    "take only files with (1) or without (0) an attribute: a archive (recorded; set on "
    "every file added unless -b0), d directory (only files are stored), h hidden (a name "
    "starting with a dot), r read-only (no write permission), s system (recorded; never "
    "set on Linux)";
constexpr CommandSet AttributeCommands = Adding | Members | bit("sl");

std::string commandNames(CommandSet commands) {
    if (commands == All)
        return "all";
    std::string text;
    for (size_t i = 0; i < Letters.size(); ++i) {
        if (commands & (CommandSet{1} << i))
            text += (text.empty() ? "" : " ") + std::string(Letters[i]);
    }
    return text;
}

// The Advanced switches come with every command, as the masks do: each
// command takes them, and they act on the commands their row names.
bool sharedByAllCommands(const Row& row) {
    constexpr std::array<std::string_view, 14> Shared = {"ta", "tb", "to", "jc", "x",  "jy", "va",
                                                         "v",  "vt", "vb", "vc", "ve", "p",  "pfd"};
    return std::find(Shared.begin(), Shared.end(), row.name) != Shared.end();
}

[[noreturn]] void refuse(const std::string& token, const std::string& why) {
    throw JarError(ExitBadParameters, "the switch " + token + " " + why + "; nothing was done");
}

void checkCommand(const std::string& token, CommandSet commands, const Options& options) {
    if ((commands & bit(options.command)) == 0)
        refuse(token, "means nothing for the command \"" + options.command +
                          "\" (it applies to: " + commandNames(commands) + ")");
}

void applyAttributes(Options& options, const std::string& text, const std::string& body) {
    checkCommand(text, AttributeCommands, options);
    if (body.size() <= 2 || body.size() % 2 != 0)
        refuse(text, "needs attribute letters (a, d, h, r, s), each followed by 0 or 1");
    AttributeFilter filter;
    for (size_t i = 2; i < body.size(); i += 2) {
        const size_t letter = std::string_view("ahsrd").find(body[i]);
        if (letter == std::string_view::npos || (body[i + 1] != '0' && body[i + 1] != '1'))
            refuse(text, "needs attribute letters (a, d, h, r, s), each followed by 0 or 1");
        const std::uint32_t mask = 1u << letter;
        if ((filter.set | filter.clear) & mask)
            refuse(text, "names the attribute \"" + std::string(1, body[i]) + "\" twice");
        (body[i + 1] == '1' ? filter.set : filter.clear) |= mask;
    }
    options.attributes = filter;
}

// "YYYYMMDDHHMMSS" as local time; nothing when it is no real time.
std::optional<std::int64_t> localTime(const std::string& text) {
    if (text.size() != 14 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    auto field = [&](size_t at, size_t length) { return std::stoi(text.substr(at, length)); };
    std::tm time{};
    time.tm_year = field(0, 4) - 1900;
    time.tm_mon = field(4, 2) - 1;
    time.tm_mday = field(6, 2);
    time.tm_hour = field(8, 2);
    time.tm_min = field(10, 2);
    time.tm_sec = field(12, 2);
    time.tm_isdst = -1;
    std::tm checked = time;
    const std::time_t result = std::mktime(&checked);
    // mktime carries a day 32 into the next month: such a date was a slip.
    if (result == -1 || checked.tm_mday != time.tm_mday || checked.tm_mon != time.tm_mon ||
        checked.tm_year != time.tm_year)
        return std::nullopt;
    return static_cast<std::int64_t>(result);
}

std::int64_t startOfToday() {
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    ::localtime_r(&now, &today);
    today.tm_hour = today.tm_min = today.tm_sec = 0;
    today.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&today));
}

// A whole number within limits; nothing when the text is not one.
std::optional<std::uint64_t> number(std::string_view text, std::uint64_t max) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > max)
        return std::nullopt;
    return value;
}

// The Advanced switches' values.
void applyAdvanced(Options& options, const Row& row, const Token& token, const std::string& value) {
    const std::string& text = token.text;
    Selection& selection = options.selection;
    switch (row.value) {
    case Value::Date: {
        std::optional<std::int64_t> time = startOfToday();
        if (!value.empty() && !(time = localTime(value)))
            refuse(text, "needs a local time as \"YYYYMMDDHHMMSS\", or nothing for today");
        (row.name == "ta" ? selection.after : selection.before) = *time;
        return;
    }
    case Value::Days: {
        const auto days = number(value, 100000);
        if (!days)
            refuse(text, "needs a number of days, as -to30");
        selection.before = static_cast<std::int64_t>(std::time(nullptr)) -
                           static_cast<std::int64_t>(*days) * 86400 + 1;
        return;
    }
    case Value::Chapters: {
        const size_t dash = value.find('-');
        if (dash == std::string::npos)
            refuse(text, "needs a chapter range: -jc2-4, -jc2- (to the last), -jc-3 (from the "
                         "first) or -jc- (all)");
        const std::string from = value.substr(0, dash);
        const std::string to = value.substr(dash + 1);
        const auto first = from.empty() ? std::optional<std::uint64_t>(0) : number(from, 1u << 30);
        const auto last = to.empty() ? std::optional<std::uint64_t>(0) : number(to, 1u << 30);
        if (!first || !last || (!from.empty() && *first == 0) || (!to.empty() && *last == 0) ||
            (*first != 0 && *last != 0 && *first > *last))
            refuse(text, "is no chapter range (chapters count from 1, the first side not above "
                         "the second)");
        selection.chapters = true;
        selection.chapterFrom = static_cast<std::uint32_t>(*first);
        selection.chapterTo = static_cast<std::uint32_t>(*last);
        return;
    }
    case Value::Exclude: {
        // -x!"list": the "!" outside the quotes, as a list on the command line.
        const bool plainFirst = !value.empty() && !token.quoted[1 + row.name.size()];
        if (plainFirst && value.size() > 1 && value[0] == '!') {
            selection.excludeLists.push_back(value.substr(1));
        } else if (value.empty() || (plainFirst && (value[0] == '-' || value[0] == '!'))) {
            refuse(text, "needs a mask, as -x\"*.bak\", or a list file, as -x!\"list.txt\"");
        } else {
            selection.excludeMasks.push_back(value);
        }
        return;
    }
    case Value::Kinds:
        if (value.empty())
            refuse(text, "needs the kinds of question to answer: letters of cdknorv");
        for (char kind : toLower(value)) {
            if (std::string_view("cdknorv").find(kind) == std::string_view::npos)
                refuse(text, "names an unknown kind of question \"" + std::string(1, kind) +
                                 "\" (the kinds: c, d, k, n, o, r, v)");
            if (options.assumeYes.find(kind) == std::string::npos)
                options.assumeYes += kind;
        }
        return;
    case Value::Size: {
        const auto kilobytes = number(value, std::uint64_t{1} << 40);
        if (!kilobytes || *kilobytes == 0)
            refuse(text, "needs the volume size in kilobytes, as -v1440");
        options.volumes.size = *kilobytes * 1024;
        options.volumes.automatic = false;
        return;
    }
    case Value::Command:
        if (value.empty())
            refuse(text, "needs the command to run, as " + text + "\"command\"");
        options.volumes.command = value;
        options.volumes.echo = row.name == "ve";
        return;
    case Value::Descriptor: {
        const auto descriptor = number(value, 1023);
        if (!descriptor || *descriptor < 3)
            refuse(text, "needs the number of an inherited descriptor, 3 or above, as -" +
                             std::string(row.name) + "3");
        if (row.name == "npfd") {
            options.newPassword = NewPassword::Change;
            options.newPasswordDescriptor = static_cast<int>(*descriptor);
            return;
        }
        options.password = true;
        options.passwordDescriptor = static_cast<int>(*descriptor);
        return;
    }
    default:
        return;
    }
}

void applyValue(Options& options, const Row& row, const Token& token) {
    const size_t start = 1 + row.name.size();
    const std::string value = token.text.substr(start);
    const bool quoted = token.quotedFrom(start);
    if (row.value > Value::Comment)
        return applyAdvanced(options, row, token, value);
    if (value.empty())
        refuse(token.text, "needs a " +
                               std::string(row.value == Value::Directory ? "directory" : "file") +
                               " name after it, as in -" + std::string(row.name) + "\"name\"");
    // A value that reads as a switch or a list file was most likely a slip.
    if (!quoted && (value[0] == '-' || value[0] == '!'))
        refuse(token.text, "takes a name, not \"" + value + "\" (quote a name starting so)");
    if (row.value == Value::Comment) {
        CommentSource source;
        source.given = true;
        source.strip = !quoted && toLower(value) == "nul";
        if (!source.strip)
            source.file = value;
        (row.name == "z"    ? options.archiveComment
         : row.name == "hz" ? options.chapterComment
                            : options.fileComment) = source;
        return;
    }
    if (row.name == "o") {
        struct stat info {};
        if (::stat(value.c_str(), &info) == 0 && !S_ISDIR(info.st_mode))
            refuse(token.text, "names a file, not a directory to extract into");
        options.output = value;
    } else if (row.name == "w") {
        struct stat info {};
        if (::stat(value.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            refuse(token.text, "names no directory that exists");
        options.write.workDirectory = value;
    } else if (row.name == "l") {
        struct stat info {};
        if (::stat(value.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
            refuse(token.text, "names something other than a file to write the list to");
        options.fileList = value;
    }
}

} // namespace

bool isCommand(std::string_view command) {
    return bit(command) != 0;
}

std::vector<SwitchHelp> switchHelp() {
    std::vector<SwitchHelp> help;
    for (const Row& row : Table) {
        if (row.name == "f1") {
            help.push_back({"-hb<a|d|h|r|s><0|1>...", Treatment::Mapped,
                            commandNames(AttributeCommands), std::string(AttributeMeaning)});
        }
        std::string name = "-" + std::string(row.name);
        if (row.value == Value::Directory)
            name += "<directory>";
        else if (row.value == Value::File)
            name += "<file>";
        else if (row.value == Value::Comment)
            name += "<file>|NUL";
        else if (row.value == Value::Date)
            name += "[YYYYMMDDHHMMSS]";
        else if (row.value == Value::Days)
            name += "<days>";
        else if (row.value == Value::Chapters)
            name += "[from]-[to]";
        else if (row.value == Value::Exclude)
            name += "<mask>|!<file>";
        else if (row.value == Value::Kinds)
            name += "<cdknorv>";
        else if (row.value == Value::Size)
            name += "<kilobytes>";
        else if (row.value == Value::Command)
            name += "<command>";
        else if (row.value == Value::Descriptor)
            name += "<n>";
        help.push_back({name, row.treatment,
                        row.treatment == Treatment::Refused ? "none" : commandNames(row.commands),
                        std::string(row.meaning)});
    }
    return help;
}

void applySwitch(Options& options, const Token& token) {
    const std::string& text = token.text;
    if (!token.isSwitch())
        throw JarError(ExitBadParameters, "\"" + text + "\" is not a switch");
    const std::string body = toLower(text.substr(1));
    options.switches.push_back(body);
    for (const Row& row : Table) {
        if (row.value != Value::None || row.name != body)
            continue;
        if (row.treatment == Treatment::Refused)
            refuse(text, "is not available yet: " + std::string(row.meaning));
        if (!sharedByAllCommands(row))
            checkCommand(text, row.commands, options);
        row.apply(options);
        return;
    }
    if (body.rfind("hb", 0) == 0)
        return applyAttributes(options, text, body);
    // The longest prefix first: -hz before a plain -h... switch.
    const Row* found = nullptr;
    for (const Row& row : Table) {
        if (row.value != Value::None && body.rfind(row.name, 0) == 0 &&
            (found == nullptr || row.name.size() > found->name.size()))
            found = &row;
    }
    if (found == nullptr)
        throw JarError(ExitBadParameters, "unknown switch \"" + text + "\"; nothing was done");
    if (found->treatment == Treatment::Refused)
        refuse(text, "is not available yet: " + std::string(found->meaning));
    if (!sharedByAllCommands(*found))
        checkCommand(text, found->commands, options);
    applyValue(options, *found, token);
}

} // namespace brak::jar

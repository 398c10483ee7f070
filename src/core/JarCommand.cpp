#include "core/JarCommand.h"

#include "core/AdvancedSwitches.h"
#include "core/Commands.h"
#include "platform/Platform.h"

namespace brak {

JarCommand JarCommand::fromForm(const MainForm& f) {
    JarCommand command;
    command.path = f.edPath.text();
    if (const int index = CommandIndex(f); index >= 0)
        command.letter = CommandCatalogue[static_cast<std::size_t>(index)].letter;
    command.archive = f.edArchive.text();
    command.listFile = f.raContentList.checked();
    command.masks = f.edContentMask.text();
    command.list = f.edContentList.text();
    command.switches = GetSwitch(f, &command.switchValues);
    command.advanced = GetAdvanced(f, &command.advancedValues);
    return command;
}

std::string JarCommand::programFile() const {
    // The path is taken as typed: no separator is dropped or added.
    return path.empty() ? JarProgramName : path + PathSeparator + JarProgramName;
}

std::string JarCommand::programPiece() const {
    return programFile() + " ";
}

std::string JarCommand::commandPiece() const {
    return letter + " ";
}

std::string JarCommand::archivePiece() const {
    std::string piece = "\"" + archive + "\"";
    if (listFile)
        piece += " !\"" + list + "\"";
    else
        piece += " " + masks;
    return piece + " ";
}

std::array<std::string, 4> JarCommand::pieces() const {
    return {programPiece(), commandPiece(), archivePiece(), switchPiece()};
}

std::vector<std::string> JarCommand::arguments() const {
    const auto four = pieces();
    std::vector<std::string> args(four.begin(), four.end());
    if (!advanced.empty())
        args.push_back(advanced);
    return args;
}

std::string JarCommand::line() const {
    std::string text;
    for (const std::string& piece : pieces())
        text += piece;
    return text + advanced;
}

std::vector<QuotedValue> JarCommand::quotedValues() const {
    std::vector<QuotedValue> values{{"edArchive", archive}};
    if (listFile)
        values.push_back({"edContentList", list});
    values.insert(values.end(), switchValues.begin(), switchValues.end());
    values.insert(values.end(), advancedValues.begin(), advancedValues.end());
    return values;
}

} // namespace brak

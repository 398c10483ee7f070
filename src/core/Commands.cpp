#include "core/Commands.h"

namespace brak {

const std::array<CommandInfo, 20> CommandCatalogue = {{
    {0, "raCommandAddFile", "Add Files", "a"},
    {1, "raCommandAddChapter", "Add Chapter", "ac"},
    {2, "raCommandComment", "Comment Archive", "c"},
    {3, "raCommandDeleteFile", "Delete Files", "d"},
    {4, "raCommandDeleteAll", "Delete All Files", "da"},
    {5, "raCommandDeleteChapter", "Delete Chapters", "dc"},
    {6, "raCommandExtract", "Extract Files", "e"},
    {7, "raCommandFreshen", "Freshen Files", "f"},
    {8, "raCommandListContent", "List Contents", "l"},
    {9, "raCommandListChapter", "List Chapters", "lc"},
    {10, "raCommandListShort", "List Short Contents", "ls"},
    {11, "raCommandListTechnical", "List Technical", "lt"},
    {12, "raCommandMove", "Move Files", "m"},
    {13, "raCommandRecover", "Recover Header", "rh"},
    {14, "raCommandScan", "Scan Locked Files", "sl"},
    {15, "raCommandIntegrity", "Test Integrity", "t"},
    {16, "raCommandUpdate", "Update Files", "u"},
    {17, "raCommandVerbose", "Verbose Listing", "v"},
    {18, "raCommandFull", "Extract Full Path", "x"},
    {19, "raCommandCopy", "Copy Archive", "y"},
}};

int CommandIndex(const MainForm& form) {
    for (int i = 0; i < static_cast<int>(form.commandButtons.size()); ++i)
        if (form.commandButtons[static_cast<std::size_t>(i)]->checked())
            return i;
    return -1;
}

int OptionIndex(const MainForm& form, const std::string& name) {
    for (int i = 0; i < static_cast<int>(form.OptionMenu.size()); ++i)
        if (form.OptionMenu[static_cast<std::size_t>(i)]->name().find(name) != std::string::npos)
            return i;
    return -1;
}

std::string GetProgram(const MainForm& form) {
    return JarCommand::fromForm(form).programPiece();
}

std::string GetCommand(const MainForm& form) {
    return JarCommand::fromForm(form).commandPiece();
}

std::string GetArchive(const MainForm& form) {
    return JarCommand::fromForm(form).archivePiece();
}

void ShowCommandLine(MainForm& form) {
    form.StatusBar1.setSimplePanel(true);
    form.StatusBar1.setSimpleText(JarCommand::fromForm(form).line());
}

} // namespace brak

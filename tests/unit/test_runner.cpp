// Running the selected command with a fake machine and a fake console: the
// order of every step, the two message tables, the refusal of a double
// quote inside a value, and the log of the last runs.
#include "FakeConsole.h"
#include "Fakes.h"
#include "core/ExitMessages.h"
#include "core/QuoteCheck.h"
#include "core/SwitchReader.h"
#include "run/Runner.h"
#include "ui/Brak.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <gtest/gtest.h>

using namespace brak;
using Environment = std::vector<std::pair<std::string, std::string>>;

namespace {

// Every box goes into the shared list of events too, with the cursor's state.
class LoggingDialogs : public test::FakeDialogs {
public:
    explicit LoggingDialogs(std::vector<std::string>& events) : events_(events) {}
    MessageAnswer messageBox(const MessageBoxRequest& request) override {
        events_.push_back("box " + request.text + (busy ? " (busy)" : ""));
        return FakeDialogs::messageBox(request);
    }

private:
    std::vector<std::string>& events_;
};

class RunnerTest : public ::testing::Test {
protected:
    RunnerTest() {
        f.edArchive.setText("arc.j");
        f.edContentMask.setText("*.*");
        std::filesystem::create_directories(selected);
        f.Directory.setDirectory(selected);
        runner.setConsole(&console);
        platform.onTerminalStart = [this](const ProcessRequest&, TerminalSize size) {
            events.push_back("start");
            atStart = {f.StatusBar1.simplePanel() ? f.StatusBar1.simpleText() : "<no line>",
                       platform.cwd, dialogs.repaints, dialogs.busy, size};
            if (startError != 0)
                return TerminalStart{startError, nullptr};
            return TerminalStart{0, std::make_unique<test::FakeTerminalProcess>(jarEnds)};
        };
        // The listing after a success.
        platform.onStart = [this](const ProcessRequest& request) {
            events.push_back("list " + request.args.at(2));
            StartResult failed;
            failed.error = ENOENT;
            return failed;
        };
    }

    void run() {
        events.clear();
        dialogs.boxes.clear();
        runner.buGoClick();
    }

    std::vector<std::string> events;
    test::FakePlatform platform;
    const std::string selected = platform.root.file("selected");
    LoggingDialogs dialogs{events};
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();
    test::FakeConsole console{events};
    // A runner of the test's own, with hooks that log; it is not wired, so
    // the window's own runner keeps the double clicks.
    Runner runner{f,
                  platform,
                  dialogs,
                  brak.switchSets(),
                  brak.contents(),
                  [this] {
                      events.push_back("update list");
                      return 0;
                  },
                  [this](const std::string& name) {
                      events.push_back("save config " + name);
                      f.ConfigName = name; // a successful save makes it the current file
                      return 0;
                  }};

    int startError = 0;
    ExitStatus jarEnds;
    struct {
        std::string line, cwd;
        int repaints = -1;
        bool busy = false;
        TerminalSize size;
    } atStart;
};

} // namespace

TEST_F(RunnerTest, EveryStepInItsOrder) {
    f.chContentUpdate.click();
    f.chSaveConfig.click();
    f.ConfigName = "my.cfg";
    const std::string cwd = platform.cwd;
    run();
    const std::string line = "JAR32.EXE a \"arc.j\" *.* ";
    // The listing that follows a success has a say of its own after these.
    events.resize(std::min<std::size_t>(events.size(), 7));
    EXPECT_EQ(events, (std::vector<std::string>{
                          "update list", "save config " + selected + "/my.cfg", "start",
                          "console " + line, "box Success", "console closed", "list \"arc.j\""}));
    ASSERT_EQ(platform.terminalStarts.size(), 1u);
    const ProcessRequest& request = platform.terminalStarts[0];
    EXPECT_EQ(request.program, "JAR32.EXE");
    EXPECT_EQ(request.args, (std::vector<std::string>{"JAR32.EXE ", "a ", "\"arc.j\" *.* ", ""}));
    EXPECT_EQ(request.directory, selected);
    EXPECT_EQ(request.environment, (Environment{{"JAR_CFG_FILE", selected + "/my.cfg"}}))
        << "the name as the save left it";
    EXPECT_EQ(atStart.cwd, cwd) << "Brak's own directory stays";
    EXPECT_TRUE(platform.env.empty()) << "Brak's own environment stays";

    EXPECT_EQ(atStart.line, line) << "the line is shown before Jar starts";
    EXPECT_GT(atStart.repaints, 0) << "and painted before the wait";
    EXPECT_TRUE(atStart.busy);
    EXPECT_EQ(atStart.size, (TerminalSize{30, 100})) << "Jar gets the console's size";
    EXPECT_EQ(f.StatusBar1.simpleText(), line) << "the line stays after the run";
    EXPECT_FALSE(dialogs.busy);
    ASSERT_GE(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0],
              (MessageBoxRequest{"Success", "Jar execution terminated", MessageIcon::Warning,
                                 MessageButtons::Ok, MessageAnswer::Ok}));

    // The configuration's name reaches Jar as the save left it; Brak's own
    // environment is not Jar's.
    f.chContentUpdate.click();
    platform.env["JAR_CFG_FILE"] = "/brak/started/with.cfg";
    const struct {
        std::string name, saved;
    } rows[] = {{"", ""}, // nothing to resolve; Jar gets none
                {"/etc/jar.cfg", "/etc/jar.cfg"},
                {"sub/j.cfg", selected + "/sub/j.cfg"}};
    for (const auto& row : rows) {
        f.ConfigName = row.name;
        run();
        EXPECT_EQ(events.at(0), "save config " + row.saved);
        EXPECT_EQ(platform.terminalStarts.back().environment,
                  (Environment{{"JAR_CFG_FILE", row.saved}}))
            << "an empty value removes the variable for Jar";
        EXPECT_EQ(platform.started.back().environment, platform.terminalStarts.back().environment)
            << "the listing after the run reads what the run read";
    }
    EXPECT_EQ(platform.env.at("JAR_CFG_FILE"), "/brak/started/with.cfg");

    // Without the two boxes ticked neither file is written.
    f.chSaveConfig.click();
    run();
    EXPECT_EQ(events.at(0), "start");
}

TEST_F(RunnerTest, NoToTheMismatchQuestionTouchesNothing) {
    f.chContentUpdate.click();
    f.chSaveConfig.click();
    f.chRecurse.click();
    f.raCommandExtract.click(); // Add Files was altered last
    const std::string shown = f.StatusBar1.simpleText();
    f.StatusBar1.setSimpleText("left as it was");
    const auto env = platform.env;
    const std::string cwd = platform.cwd;
    dialogs.answers = {MessageAnswer::No};
    run();
    EXPECT_EQ(events.size(), 1u) << "only the question";
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, "Confirmation");
    EXPECT_EQ(f.StatusBar1.simpleText(), "left as it was");
    EXPECT_TRUE(platform.terminalStarts.empty());
    EXPECT_EQ(platform.env, env);
    EXPECT_EQ(platform.cwd, cwd);
    EXPECT_EQ(dialogs.busyChanges, 0);

    dialogs.answers = {MessageAnswer::Yes};
    run();
    EXPECT_EQ(platform.terminalStarts.size(), 1u);
    EXPECT_EQ(f.StatusBar1.simpleText(), shown);
}

// Every text of the two tables, against the recorded list.
TEST(ExitMessages, TheTablesReadAsRecorded) {
    std::string table;
    for (int code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 255, -1, -11, INT_MIN})
        table += "exit " + std::to_string(code) + ": " + exitCodeMessage(code) + " | " +
                 exitCodeText(code) + "\n";
    for (int signal : {SIGINT, SIGTERM, SIGKILL})
        table += "killed by " + signalName(signal) + ": " +
                 exitStatusMessage(ExitStatus::killed(signal)) + "\n";
    const std::pair<int, const char*> errors[] = {
        {ENOENT, "ENOENT"},   {ENOMEM, "ENOMEM"}, {EINVAL, "EINVAL"},  {E2BIG, "E2BIG"},
        {ENOEXEC, "ENOEXEC"}, {EACCES, "EACCES"}, {ENOTDIR, "ENOTDIR"}};
    for (const auto& [error, name] : errors)
        table += std::string("not started, ") + name + ": " + startFailureMessage(error) + "\n";
    EXPECT_EQ(table, test::readFile(BRAK_TEST_DATA "/messages/exit_codes.txt"));
}

TEST_F(RunnerTest, TheEndOfARunIsToldInTheBoxAndOnlyASuccessListsAgain) {
    for (const ExitStatus status :
         {ExitStatus::exited(0), ExitStatus::exited(9), ExitStatus::killed(SIGINT)}) {
        jarEnds = status;
        run();
        ASSERT_GE(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0],
                  (MessageBoxRequest{exitStatusMessage(status), "Jar execution terminated",
                                     MessageIcon::Warning, MessageButtons::Ok, MessageAnswer::Ok}));
        const auto closed = std::find(events.begin(), events.end(), "console closed");
        ASSERT_NE(closed, events.end());
        EXPECT_EQ(std::count(events.begin(), events.end(), "console closed"), 1);
        const bool listed = closed + 1 != events.end() && closed[1].starts_with("list");
        EXPECT_EQ(listed, status == ExitStatus::exited(0)) << "only a success lists again";
        EXPECT_EQ(closed[-1].substr(0, 4), "box ") << "the console closes with the box";
    }
}

TEST_F(RunnerTest, AStartFailureIsToldAndNothingElseHappens) {
    startError = ENOTDIR;
    run();
    EXPECT_EQ(events, (std::vector<std::string>{"start", "box Unclassified."}))
        << "no console, no listing, and the hourglass is gone";
    EXPECT_EQ(dialogs.boxes, (std::vector<MessageBoxRequest>{
                                 {"Unclassified.", "Error executing Jar", MessageIcon::Error}}));
    EXPECT_EQ(runner.runLog().runs().front().startError, ENOTDIR);
}

TEST_F(RunnerTest, AValueHoldingADoubleQuoteIsRefusedBeforeAnything) {
    f.chContentUpdate.click();
    f.chSaveConfig.click();
    f.chRecurse.click();
    f.raCommandExtract.click(); // a mismatch question would come next
    const std::string quoted = "a.j\" -y -o\"x";
    // Each field with what puts it into the command: a box, a choice.
    const struct {
        const char* title;
        Edit& field;
        CheckBox* box;
        RadioButton* choice;
    } rows[] = {
        {"\"Archive Name\" on the View tab", f.edArchive, nullptr, nullptr},
        {"\"List File\" on the Selection tab", f.edContentList, nullptr, &f.raContentList},
        {"\"Output\" on the Medium tab", f.edOutput, &f.chOutput, nullptr},
        {"\"Work Directory\" on the Medium tab", f.edWork, &f.chWork, nullptr},
        {"\"Create File List\" on the Medium tab", f.edList, &f.chList, nullptr},
        {"\"Comment Archive\" on the Medium tab", f.edFile, &f.chFile, &f.raFileName},
        {"\"Comment Chapters\" on the Medium tab", f.edComment, &f.chComment, &f.raCommentFilename},
        {"\"Comment Files\" on the Medium tab", f.edCommentFile, &f.chCommentFile,
         &f.raCommentFileFilename},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.title);
        if (row.box)
            row.box->setChecked(true);
        if (row.choice)
            row.choice->click();
        row.field.setText(quoted);
        const std::string shown = f.StatusBar1.simpleText();
        const int repaints = dialogs.repaints;
        dialogs.boxes.clear();
        events.clear();
        runner.buGoClick();
        ASSERT_EQ(dialogs.boxes.size(), 1u) << "no mismatch question after the refusal";
        EXPECT_EQ(dialogs.boxes[0].caption, QuoteCheckCaption);
        EXPECT_EQ(dialogs.boxes[0].icon, MessageIcon::Error);
        EXPECT_NE(dialogs.boxes[0].text.find(row.title), std::string::npos)
            << dialogs.boxes[0].text;
        EXPECT_EQ(events.size(), 1u) << "no list file, no configuration, no start";
        EXPECT_TRUE(platform.terminalStarts.empty());
        EXPECT_EQ(f.StatusBar1.simpleText(), shown);
        EXPECT_EQ(dialogs.repaints, repaints) << "no line shown for the run";
        // Undone, so that the next row is alone.
        f.edArchive.setText("arc.j");
        f.raContentMask.click();
        SetSwitch(f, dialogs, "");
    }

    // Masks go to Jar unquoted: quotes there are the user's own grouping.
    f.edContentMask.setText("\"my file.txt\" *.c");
    dialogs.answers = {MessageAnswer::Yes};
    run();
    EXPECT_EQ(platform.terminalStarts.size(), 1u);
}

TEST_F(RunnerTest, TheLastTenRunsAreKeptNewestFirst) {
    console.duringRun = [this] { platform.elapsed += 1234; };
    for (int n = 1; n <= 12; ++n) {
        jarEnds = ExitStatus::exited(n % 2);
        f.edArchive.setText("arc" + std::to_string(n) + ".j");
        platform.clock.second = n;
        run();
    }
    const auto& runs = runner.runLog().runs();
    ASSERT_EQ(runs.size(), RunLog::Capacity);
    EXPECT_EQ(runs.front().commandLine, "JAR32.EXE a \"arc12.j\" *.* ");
    EXPECT_EQ(runs.back().commandLine, "JAR32.EXE a \"arc3.j\" *.* ");
    EXPECT_EQ(runs.front().output, "console text\n");
    EXPECT_EQ(RunLog::heading(runs.front()), "Command line: JAR32.EXE a \"arc12.j\" *.* \n"
                                             "Started:      2026/12/06 14:30:12\n"
                                             "Duration:     1.234 s\n"
                                             "Exit code:    0 (Success)\n");
    EXPECT_NE(RunLog::heading(runs[1]).find("Exit code:    1 (Warning)"), std::string::npos);

    startError = ENOENT;
    run();
    EXPECT_NE(RunLog::heading(runner.runLog().runs().front())
                  .find("Exit code:    not started: Path or file not found."),
              std::string::npos);
    startError = 0;
    jarEnds = ExitStatus::killed(SIGKILL);
    run();
    EXPECT_NE(RunLog::heading(runner.runLog().runs().front())
                  .find("Exit code:    none, ended by signal SIGKILL (Unclassified.)"),
              std::string::npos);

    // The menu item shows them.
    events.clear();
    brak.runner().setConsole(&console);
    f.LastOutput1.click();
    EXPECT_EQ(events, (std::vector<std::string>{"run log"}));
}

TEST(RunLogOutput, AnOutputPastItsLimitKeepsBothEndsAndSaysWhereItWasCut) {
    RunLog log;
    RunRecord record;
    for (int line = 0; line < 60000; ++line)
        record.output += "line " + std::to_string(line) + " of a long listing\n";
    log.add(record);
    const std::string& kept = log.runs().front().output;
    EXPECT_LE(kept.size(), RunLog::OutputLimit);
    EXPECT_GT(kept.size(), RunLog::OutputLimit * 9 / 10) << "the room is used";
    EXPECT_TRUE(kept.starts_with("line 0 of a long listing\nline 1 "));
    EXPECT_TRUE(kept.ends_with("line 59999 of a long listing\n"));
    const std::size_t cut = kept.find("[... ");
    ASSERT_NE(cut, std::string::npos);
    const std::size_t keptLines =
        static_cast<std::size_t>(std::count(kept.begin(), kept.end(), '\n'));
    EXPECT_NE(kept.find("[... " + std::to_string(60000 - (keptLines - 1)) + " lines ("),
              std::string::npos)
        << kept.substr(cut, 80);

    CappedText small(1000);
    small.appendLine("one");
    small.appendLine("two");
    EXPECT_EQ(small.text(), "one\ntwo\n");
    EXPECT_FALSE(small.cut());
}

TEST_F(RunnerTest, TheWindowsRunnerWritesTheListAndTheConfigurationBeforeJarStarts) {
    const std::string directory = selected;
    test::writeFile(directory + "/one.txt", "1");
    test::writeFile(directory + "/two.txt", "2");
    brak.selection().ReadFileList();
    f.raContentList.click();
    f.edContentList.setText("pick.lst");
    f.chContentUpdate.setChecked(true);
    ASSERT_EQ(f.FileList1.items().size(), 2u);
    f.FileList1.setSelected(0, false);
    f.FileList1.setSelected(1, true);
    f.chSaveConfig.click();
    f.ConfigName = "jar.cfg";
    std::string listAtStart;
    bool savedFirst = false;
    platform.onTerminalStart = [&](const ProcessRequest& request, TerminalSize) {
        listAtStart = test::readFile(directory + "/pick.lst");
        savedFirst = platform.fileExists(directory + "/jar.cfg");
        EXPECT_EQ(request.args[2], "\"arc.j\" !\"pick.lst\" ") << "Jar reads it there";
        EXPECT_EQ(request.environment.at(0).second, directory + "/jar.cfg");
        return TerminalStart{0, std::make_unique<test::FakeTerminalProcess>()};
    };
    brak.runner().setConsole(&console);
    f.raCommandAddFile.doubleClick();
    EXPECT_EQ(listAtStart, f.FileList1.items()[1] + "\r\n");

    EXPECT_TRUE(savedFirst) << "Jar reads what the window shows now";
    EXPECT_EQ(f.ConfigName, directory + "/jar.cfg") << "the saved file is the current one";
}

#pragma once

#include "config/ConfigFile.h"
#include "contents/Contents.h"
#include "core/SwitchSets.h"
#include "form/MainForm.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"
#include "run/FileActions.h"
#include "run/Runner.h"
#include "selection/Selection.h"
#include "startup/Layout.h"
#include "startup/Startup.h"
#include "ui/FieldChecks.h"
#include "ui/Interlocks.h"
#include "ui/Shell.h"

namespace brak {

// The composition root: owns the model of the main window and its
// subsystems, in the order they depend on each other, and wires every
// control's event to the subsystem that handles it, once.
class Brak {
public:
    Brak(Platform& platform, Dialogs& dialogs);
    Brak(const Brak&) = delete;
    Brak& operator=(const Brak&) = delete;

    MainForm& form() { return form_; }
    Platform& platform() { return platform_; }
    Dialogs& dialogs() { return dialogs_; }

    Interlocks& interlocks() { return interlocks_; }
    SwitchSets& switchSets() { return switchSets_; }
    Contents& contents() { return contents_; }
    Selection& selection() { return selection_; }
    ConfigFile& config() { return config_; }
    Layout& layout() { return layout_; }
    Startup& startup() { return startup_; }
    FieldChecks& fieldChecks() { return fieldChecks_; }
    Runner& runner() { return runner_; }
    FileActions& fileActions() { return fileActions_; }
    Shell& shell() { return shell_; }

private:
    Platform& platform_;
    Dialogs& dialogs_;
    MainForm form_;
    Interlocks interlocks_{form_};
    SwitchSets switchSets_{form_, dialogs_};
    Contents contents_{form_, platform_, dialogs_};
    Selection selection_{form_, platform_, dialogs_};
    ConfigFile config_{form_, platform_, dialogs_, contents_};
    Layout layout_{form_, platform_, dialogs_, config_};
    Startup startup_{form_, platform_, dialogs_, contents_, selection_, layout_, config_};
    FieldChecks fieldChecks_{form_, platform_, dialogs_, contents_};
    Runner runner_{form_,
                   platform_,
                   dialogs_,
                   switchSets_,
                   contents_,
                   [this] { return selection_.UpdateList(); },
                   [this](const std::string& name) { return config_.SaveConfig(name); }};
    FileActions fileActions_{form_, platform_, dialogs_, contents_, runner_};
    Shell shell_{form_, dialogs_, layout_, startup_};
};

} // namespace brak

#pragma once

#include "platform/Dialogs.h"

#include <QPointer>
#include <QString>
#include <QWidget>

namespace brak {

// Converts the program's "Description|pattern|..." filter text into the
// form Qt's file dialogs take: "Description (patterns);;...", where "*.*"
// is every file and each pattern also matches its lower-case spelling.
QString qtFilter(const std::string& filter);

// Dialogs shown with Qt's own message boxes and file and colour dialogs.
// Every message box is also logged under "brak.dialogs" at the info level
// (QT_LOGGING_RULES="brak.dialogs.info=true"), so a user or a test can see
// what Brak said.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    MessageAnswer messageBox(const MessageBoxRequest& request) override;
    std::string openFile(const std::string& filter) override;
    std::string nameFile(const std::string& filter) override;
    std::string saveFile(const std::string& filter) override;
    std::string chooseFolder(const std::string& title) override;
    bool openWithDesktop(const std::string& file) override;
    bool chooseColour(std::uint32_t& colour, std::vector<std::uint32_t>& customColours) override;
    void setBusy(bool busy) override;
    void repaintNow() override;
    std::unique_ptr<ShownWindow> showSplash(const std::string& picture) override;
    void showAbout(const std::string& picture) override;
    void showSearch(SearchWindow& window) override;
    std::vector<ScreenArea> screens() const override;
    WaitOutcome waitForChild(ChildProcess& child, const std::string& title,
                             const std::string& detail) override;

    // How long a wait goes on before its window shows.
    static constexpr int WaitWindowMilliseconds = 1000;

private:
    QPointer<QWidget> parent_;
    bool busy_ = false;
};

} // namespace brak

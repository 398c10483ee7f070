#pragma once

#include "startup/DriveSearch.h"

#include <memory>
#include <string>

namespace brak {

// The first-run search window (TFormSearch) without its widgets: its texts,
// the state of its two buttons and what they do. The view shows it modally
// and drives the search in slices while the window stays responsive.
class SearchWindow {
public:
    static constexpr const char* Caption = "Brak - First Time Execution";
    static constexpr const char* Label1 =
        "Brak requires JAR32.EXE to execute.  It will now attempt to find Jar on this "
        "computer. If it is unsuccessful, you will need specify the location manually. If "
        "this is also unsuccessful, you probably need to re-install Jar, and then run Brak "
        "again.";
    static constexpr const char* GroupBox1 = "Current Directory";
    static constexpr int ClientWidth = 640;
    static constexpr int ClientHeight = 193;

    // Searches from root, which is "/" but for tests.
    explicit SearchWindow(const Platform& platform, std::string root = "/");

    // "&Search": starts the search of the whole machine.
    void buSearchClick();
    // While the search runs the second button stops it; afterwards it
    // closes the window ("&Continue" or "&Manual Search").
    void buContinueClick();
    // Searches on for up to `entries` entries; false once there is nothing
    // more to do.
    bool searchOn(int entries);
    // The window closes (Esc, or the window system): a search stops.
    void close();

    bool searching() const { return search_ && !search_->finished(); }
    bool closed() const { return closed_; }
    // The full name of the program found, or empty.
    const std::string& FoundPath() const { return foundPath_; }

    // What the window shows.
    std::string laSearch() const { return search_ ? search_->directory() : std::string(); }
    const std::string& searchCaption() const { return searchCaption_; }
    bool searchEnabled() const { return searchEnabled_; }
    bool searchIsDefault() const { return searchEnabled_; }
    const std::string& continueCaption() const { return continueCaption_; }
    bool continueEnabled() const { return continueEnabled_; }
    bool continueIsDefault() const { return !searchEnabled_ && !searching(); }

private:
    void finish();

    const Platform& platform_;
    std::string root_;
    std::unique_ptr<DriveSearch> search_;
    std::string foundPath_;
    std::string searchCaption_ = "&Search";
    std::string continueCaption_ = "&Continue";
    bool searchEnabled_ = true;
    bool continueEnabled_ = false;
    bool closed_ = false;
};

} // namespace brak

#include "startup/SearchWindow.h"

#include "core/JarCommand.h"

namespace brak {

SearchWindow::SearchWindow(const Platform& platform, std::string root)
    : platform_(platform), root_(std::move(root)) {}

void SearchWindow::buSearchClick() {
    if (!searchEnabled_ || closed_)
        return;
    // The search button stays off for good; the second one stops the search.
    searchEnabled_ = false;
    search_ = std::make_unique<DriveSearch>(platform_, JarProgramName, root_);
    continueCaption_ = "S&top";
    continueEnabled_ = true;
}

void SearchWindow::buContinueClick() {
    if (!continueEnabled_)
        return;
    if (searching()) {
        search_->stop();
        finish();
        return;
    }
    closed_ = true;
}

bool SearchWindow::searchOn(int entries) {
    if (!searching())
        return false;
    if (!search_->step(entries))
        finish();
    return searching();
}

void SearchWindow::close() {
    if (searching()) {
        search_->stop();
        finish();
    }
    closed_ = true;
}

void SearchWindow::finish() {
    foundPath_ = search_->found();
    continueCaption_ = foundPath_.empty() ? "&Manual Search" : "&Continue";
    continueEnabled_ = true;
}

} // namespace brak

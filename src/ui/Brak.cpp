#include "ui/Brak.h"

namespace brak {

Brak::Brak(Platform& platform, Dialogs& dialogs) : platform_(platform), dialogs_(dialogs) {
    interlocks_.wire();
    switchSets_.wire();
    contents_.wire();
    selection_.wire();
    config_.wire();
    layout_.wire();
    fieldChecks_.wire();
    runner_.wire();
    fileActions_.wire();
    shell_.wire();
}

} // namespace brak

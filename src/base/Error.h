#pragma once

#include <stdexcept>

namespace brak {

// An error raised by a handler. It unwinds through the handlers that ran it
// and reaches the event loop, which shows it in the error box.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace brak
